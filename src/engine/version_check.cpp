#include "engine/version_check.h"

#include <cstring>
#include <utility>

#include "platform/setup_error.h"
#include "platform/system_library.h"

namespace {

using GetSizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using GetInfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

// Only the U.S. English, Unicode string table is read: that is where the
// products we install keep their "FileVersion".
const char kVersionQuery[] = "\\StringFileInfo\\040904B0\\FileVersion";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Compares the digit runs starting at a and b by value and moves both
// past their runs. Leading zeros carry no value, so after them a longer
// run is a larger number and runs of the same length compare digit by digit.
int CompareNumber(const char*& a, const char*& b) {
  while (*a == '0' && IsDigit(a[1])) ++a;
  while (*b == '0' && IsDigit(b[1])) ++b;
  const char* startA = a;
  const char* startB = b;
  while (IsDigit(*a)) ++a;
  while (IsDigit(*b)) ++b;
  const std::size_t lengthA = static_cast<std::size_t>(a - startA);
  const std::size_t lengthB = static_cast<std::size_t>(b - startB);
  if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
  const int order = std::memcmp(startA, startB, lengthA);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

// Character by character, version texts sort 1.10 before 1.9; comparing
// the numbers themselves puts a newer build after an older one.
int CompareVersionText(const char* a, const char* b) {
  while (*a && *b) {
    if (IsDigit(*a) && IsDigit(*b)) {
      const int order = CompareNumber(a, b);
      if (order != 0) return order;
      continue;
    }
    const unsigned char ca = static_cast<unsigned char>(FoldCase(*a));
    const unsigned char cb = static_cast<unsigned char>(FoldCase(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++a;
    ++b;
  }
  // A text that is the start of a longer one ("2.0" and "2.0a") is older.
  if (*a) return 1;
  if (*b) return -1;
  return 0;
}

bool ReadFileVersion(const char* path, GlobalBlock& version) {
  // version.dll is not imported: it is taken from the system folder only.
  auto getSize = GetSystemProc<GetSizeFn>("version.dll", "GetFileVersionInfoSizeA");
  auto getInfo = GetSystemProc<GetInfoFn>("version.dll", "GetFileVersionInfoA");
  auto query = GetSystemProc<QueryFn>("version.dll", "VerQueryValueA");
  if (!getSize || !getInfo || !query) return false;

  DWORD unused = 0;
  const DWORD size = getSize(path, &unused);
  if (size == 0) return false;

  try {
    GlobalBlock info = GlobalBlock::Allocate(size);
    BlockLock<char> data(info);
    if (!data) return false;
    getInfo(path, 0, size, data.get());

    void* value = nullptr;
    UINT length = 0;
    if (!query(data.get(), kVersionQuery, &value, &length) || !value || length == 0) return false;
    // The length may count the terminator; an empty text is no version.
    const std::size_t textLength = strnlen(static_cast<const char*>(value), length);
    if (textLength == 0) return false;

    GlobalBlock text = GlobalBlock::Allocate(textLength + 1);
    {
      BlockLock<char> out(text);
      if (!out) return false;
      std::memcpy(out.get(), value, textLength);
    }
    version = std::move(text);
    return true;
  } catch (const SetupError&) {
    // Out of memory counts as no version: the file is then replaced as
    // if it had none, rather than failing the installation.
    return false;
  }
}

bool IsOlderVersion(const char* newFile, const char* existingFile) {
  GlobalBlock newVersion;
  if (!ReadFileVersion(newFile, newVersion)) return false;
  GlobalBlock existingVersion;
  if (!ReadFileVersion(existingFile, existingVersion)) return false;
  BlockLock<char> newText(newVersion);
  BlockLock<char> existingText(existingVersion);
  if (!newText || !existingText) return false;
  return CompareVersionText(newText.get(), existingText.get()) < 0;
}
