#include "setupdat/install_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "payload/crc32.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/setup_error.h"
#include "platform/unique_handle.h"
#include "registry/registry_key.h"

namespace {

const char kHeader[] = "Setup install log 1";
const char kChecksumKey[] = "checksum\t";

// Largest log read back: far beyond any real product's, small enough that
// a damaged file cannot make us allocate without bound.
constexpr DWORD kLargestLog = 64u * 1024u * 1024u;

// One field of a line, in place in the log's text.
struct Field {
  const char* text;
  std::size_t size;
  bool Is(const char* word) const { return size == std::strlen(word) && std::memcmp(text, word, size) == 0; }
  bool Has(char c) const { return size > 0 && std::memchr(text, c, size) != nullptr; }
  std::string Text() const { return std::string(text, size); }
};

// The most fields a line has (a registry entry's).
constexpr std::size_t kMostFields = 5;

// Splits [line, end) at tabs. The count is kMostFields + 1 for any line
// with more fields than that, which no line may have.
std::size_t SplitTabs(const char* line, const char* end, Field (&fields)[kMostFields + 1]) {
  std::size_t count = 0;
  for (;;) {
    const char* tab = static_cast<const char*>(std::memchr(line, '\t', static_cast<std::size_t>(end - line)));
    if (count == kMostFields) return count + 1;
    fields[count++] = Field{line, static_cast<std::size_t>((tab ? tab : end) - line)};
    if (!tab) return count;
    line = tab + 1;
  }
}

bool RootOf(const Field& name, HKEY& root) {
  root = RootOfShortName(name.Text().c_str());
  return root != nullptr;
}

void AddField(std::string& text, const std::string& field) {
  if (field.find_first_of("\t\r\n") != std::string::npos) ThrowSetupError(SETUP_ERR_UNINSTALL_INFO);
  text.push_back('\t');
  text.append(field);
}

void AddField(std::string& text, const char* field) {
  text.push_back('\t');
  text.append(field);
}

bool ParseEntry(const Field* fields, std::size_t count, LogEntry& entry) {
  const Field& type = fields[0];
  if (type.Is("F") && count == 3) {
    entry.type = LogEntry::File;
    const Field& flags = fields[1];
    for (std::size_t i = 0; i < flags.size; ++i)
      if (!std::memchr("osc-", flags.text[i], 4)) return false;
    entry.owned = flags.Has('o');
    entry.shared = flags.Has('s');
    entry.counted = flags.Has('c');
    entry.path = fields[2].Text();
  } else if (type.Is("R") && count == 5) {
    entry.type = LogEntry::Registry;
    if (!RootOf(fields[1], entry.root)) return false;
    entry.path = fields[2].Text();
    entry.name = fields[3].Text();
    entry.outer = fields[4].Text();
  } else if ((type.Is("L") || type.Is("D")) && count == 3) {
    entry.type = type.Is("L") ? LogEntry::Link : LogEntry::Folders;
    entry.path = fields[1].Text();
    entry.outer = fields[2].Text();
  } else {
    return false;
  }
  return !entry.path.empty();
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

DWORD LogChecksum(const char* data, std::size_t size) { return Crc32(data, size); }

std::string InstallLog::Text() const {
  std::string text = kHeader;
  text.append("\r\nfolder");
  AddField(text, folder);
  text.append("\r\nproduct");
  AddField(text, product);
  text.append("\r\nversion");
  AddField(text, version);
  for (const LogEntry& entry : entries) {
    text.append("\r\n");
    text.push_back(static_cast<char>(entry.type));
    switch (entry.type) {
      case LogEntry::File: {
        char flags[4] = "";
        char* flag = flags;
        if (entry.owned) *flag++ = 'o';
        if (entry.shared) *flag++ = 's';
        if (entry.counted) *flag++ = 'c';
        AddField(text, flags[0] ? flags : "-");
        AddField(text, entry.path);
        break;
      }
      case LogEntry::Registry:
        AddField(text, RootShortName(entry.root));
        AddField(text, entry.path);
        AddField(text, entry.name);
        AddField(text, entry.outer);
        break;
      case LogEntry::Link:
      case LogEntry::Folders:
        AddField(text, entry.path);
        AddField(text, entry.outer);
        break;
    }
  }
  text.append("\r\n");
  char checksum[32];
  FormatText(checksum, sizeof checksum, "%s%08lx\r\n", kChecksumKey,
             static_cast<unsigned long>(LogChecksum(text.data(), text.size())));
  return text.append(checksum);
}

bool InstallLog::Parse(const std::string& text, DWORD& checksum) {
  const std::size_t sum = text.rfind(kChecksumKey);
  if (sum == std::string::npos || (sum > 0 && text[sum - 1] != '\n')) return false;
  const std::size_t at = sum + std::strlen(kChecksumKey);
  if (text.size() - at != 10 || text.compare(at + 8, 2, "\r\n") != 0) return false;
  char digits[9];
  std::memcpy(digits, text.data() + at, 8);
  digits[8] = '\0';
  char* end = nullptr;
  const unsigned long recorded = std::strtoul(digits, &end, 16);
  if (!end || *end != '\0') return false;
  checksum = static_cast<DWORD>(recorded);
  if (LogChecksum(text.data(), sum) != checksum) return false;

  InstallLog parsed;
  const char* const headers[] = {"folder", "product", "version"};
  std::string* const values[] = {&parsed.folder, &parsed.product, &parsed.version};
  const char* line = text.data();
  const char* const last = text.data() + sum;
  int lineNumber = 0;
  while (line < last) {
    const std::size_t lineEnd = text.find("\r\n", static_cast<std::size_t>(line - text.data()));
    if (lineEnd == std::string::npos || lineEnd > sum) return false;
    const char* const stop = text.data() + lineEnd;
    Field fields[kMostFields + 1];
    const std::size_t count = SplitTabs(line, stop, fields);
    const Field whole{line, static_cast<std::size_t>(stop - line)};
    line = stop + 2;
    const int number = lineNumber++;
    if (number == 0) {
      if (!whole.Is(kHeader)) return false;
    } else if (number <= 3) {
      if (count != 2 || !fields[0].Is(headers[number - 1])) return false;
      *values[number - 1] = fields[1].Text();
    } else {
      LogEntry entry;
      if (!ParseEntry(fields, count, entry)) return false;
      parsed.entries.push_back(std::move(entry));
    }
  }
  if (lineNumber < 4) return false;
  *this = std::move(parsed);
  return true;
}

const LogEntry* InstallLog::FindFile(const std::string& path) const {
  for (const LogEntry& entry : entries)
    if (entry.type == LogEntry::File && SamePath(entry.path, path)) return &entry;
  return nullptr;
}

const LogEntry* InstallLog::FindRegistry(HKEY root, const std::string& key, const char* name) const {
  for (const LogEntry& entry : entries)
    if (entry.type == LogEntry::Registry && entry.root == root && SamePath(entry.path, key) &&
        (!name || SamePath(entry.name, name)))
      return &entry;
  return nullptr;
}

const LogEntry* InstallLog::FindLink(const std::string& path) const {
  for (const LogEntry& entry : entries)
    if (entry.type == LogEntry::Link && SamePath(entry.path, path)) return &entry;
  return nullptr;
}

bool WriteInstallLog(const InstallLog& log, const char* path, DWORD& checksum) {
  const std::string text = log.Text();
  char fresh[kPathSize];
  if (FormatText(fresh, sizeof fresh, "%s.new", path) < 0) return false;
  {
    FileHandle file(CreateFileA(fresh, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const bool complete = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                          written == text.size() && FlushFileBuffers(file.get());
    if (!complete) {
      file.reset();
      DeleteFileA(fresh);
      return false;
    }
  }
  if (!MoveFileExA(fresh, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(fresh);
    return false;
  }
  // What is on the disk is what an uninstall will trust: it is read back.
  InstallLog again;
  DWORD readChecksum = 0;
  if (!ReadInstallLog(path, again, readChecksum) || again.Text() != text) return false;
  checksum = readChecksum;
  return true;
}

bool ReadInstallLog(const char* path, InstallLog& log, DWORD& checksum) {
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE || size > kLargestLog) return false;
  std::string text(size, '\0');
  DWORD read = 0;
  if (size && (!ReadFile(file.get(), &text[0], size, &read, nullptr) || read != size)) return false;
  return log.Parse(text, checksum);
}
