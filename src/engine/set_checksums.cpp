#include "engine/set_checksums.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/name_hash.h"
#include "platform/string_table.h"

namespace {

const char kChecksumSection[] = "Checksums";
// The section of a set of a hundred thousand files fits.
constexpr DWORD kLargestSection = 8u * 1024 * 1024;

}  // namespace

void SetChecksums::Load(const char* setupDat) {
  loaded_ = CopyText(path_, sizeof path_, setupDat);
  tableSize_ = 0;
  text_.reset();
  if (!loaded_) return;
  // The section's "key=value" lines, each ended by a zero, the last by two.
  DWORD size = 64 * 1024;
  DWORD length = 0;
  for (;;) {
    text_.reset(new (std::nothrow) char[size]);
    if (!text_) return;
    length = GetPrivateProfileSectionA(kChecksumSection, text_.get(), size, setupDat);
    if (length < size - 2 || size >= kLargestSection) break;
    size *= 2;
  }
  DWORD count = 0;
  for (const char* line = text_.get(); *line; line += std::strlen(line) + 1) ++count;
  if (count == 0) return;
  names_.reset(new (std::nothrow) const char*[count]);
  crcs_.reset(new (std::nothrow) DWORD[count]);
  DWORD tableSize = 16;
  while (tableSize < count * 2) tableSize *= 2;
  table_.reset(new (std::nothrow) DWORD[tableSize]());
  if (!names_ || !crcs_ || !table_) return;
  DWORD index = 0;
  for (char* line = text_.get(); *line;) {
    char* next = line + std::strlen(line) + 1;
    char* equals = std::strchr(line, '=');
    char* end = nullptr;
    const unsigned long crc = equals ? std::strtoul(equals + 1, &end, 16) : 0;
    // A value that is no checksum is no record: the file is checked against
    // nothing rather than refused for the set's typing.
    if (equals && end != equals + 1 && *end == '\0') {
      *equals = '\0';
      names_[index] = line;
      crcs_[index] = static_cast<DWORD>(crc);
      DWORD slot = FoldedNameHash(line) & (tableSize - 1);
      while (table_[slot]) slot = (slot + 1) & (tableSize - 1);
      table_[slot] = ++index;
    }
    line = next;
  }
  tableSize_ = tableSize;
}

bool SetChecksums::Find(const char* setupDat, const char* name, DWORD& crc) {
  if (!loaded_ || lstrcmpiA(path_, setupDat) != 0) Load(setupDat);
  if (!tableSize_) return false;
  for (DWORD slot = FoldedNameHash(name) & (tableSize_ - 1); table_[slot]; slot = (slot + 1) & (tableSize_ - 1)) {
    const DWORD index = table_[slot] - 1;
    if (lstrcmpiA(names_[index], name) == 0) {
      crc = crcs_[index];
      return true;
    }
  }
  return false;
}
