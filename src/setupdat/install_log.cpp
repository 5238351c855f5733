#include "setupdat/install_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/setup_error.h"
#include "platform/unique_handle.h"

namespace {

const char kHeader[] = "Setup install log 1";
const char kChecksumKey[] = "checksum\t";

// Largest log read back: far beyond any real product's, small enough that
// a damaged file cannot make us allocate without bound.
constexpr DWORD kLargestLog = 64u * 1024u * 1024u;

const char* RootName(HKEY root) { return root == HKEY_CLASSES_ROOT ? "HKCR" : "HKLM"; }

bool RootOf(const std::string& name, HKEY& root) {
  if (name == "HKCR") root = HKEY_CLASSES_ROOT;
  else if (name == "HKLM") root = HKEY_LOCAL_MACHINE;
  else return false;
  return true;
}

void AddField(std::string& line, const std::string& field) {
  if (field.find_first_of("\t\r\n") != std::string::npos) throw SetupError(SETUP_ERR_UNINSTALL_INFO);
  line.push_back('\t');
  line.append(field);
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

std::string Flags(const LogEntry& entry) {
  std::string flags;
  if (entry.owned) flags.push_back('o');
  if (entry.shared) flags.push_back('s');
  if (entry.counted) flags.push_back('c');
  return flags.empty() ? "-" : flags;
}

bool ParseEntry(const std::vector<std::string>& fields, LogEntry& entry) {
  const std::string& type = fields[0];
  if (type == "F" && fields.size() == 3) {
    entry.type = LogEntry::File;
    const std::string& flags = fields[1];
    if (flags.find_first_not_of("osc-") != std::string::npos) return false;
    entry.owned = flags.find('o') != std::string::npos;
    entry.shared = flags.find('s') != std::string::npos;
    entry.counted = flags.find('c') != std::string::npos;
    entry.path = fields[2];
  } else if (type == "R" && fields.size() == 5) {
    entry.type = LogEntry::Registry;
    if (!RootOf(fields[1], entry.root)) return false;
    entry.path = fields[2];
    entry.name = fields[3];
    entry.outer = fields[4];
  } else if ((type == "L" || type == "D") && fields.size() == 3) {
    entry.type = type == "L" ? LogEntry::Link : LogEntry::Folders;
    entry.path = fields[1];
    entry.outer = fields[2];
  } else {
    return false;
  }
  return !entry.path.empty();
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

DWORD LogChecksum(const char* data, std::size_t size) {
  DWORD crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<unsigned char>(data[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string InstallLog::Text() const {
  std::string text = kHeader;
  text.append("\r\n");
  auto header = [&text](const char* key, const std::string& value) {
    std::string line = key;
    AddField(line, value);
    text.append(line).append("\r\n");
  };
  header("folder", folder);
  header("product", product);
  header("version", version);
  for (const LogEntry& entry : entries) {
    std::string line(1, static_cast<char>(entry.type));
    switch (entry.type) {
      case LogEntry::File:
        AddField(line, Flags(entry));
        AddField(line, entry.path);
        break;
      case LogEntry::Registry:
        AddField(line, RootName(entry.root));
        AddField(line, entry.path);
        AddField(line, entry.name);
        AddField(line, entry.outer);
        break;
      case LogEntry::Link:
      case LogEntry::Folders:
        AddField(line, entry.path);
        AddField(line, entry.outer);
        break;
    }
    text.append(line).append("\r\n");
  }
  char checksum[32];
  FormatText(checksum, sizeof checksum, "%s%08lx\r\n", kChecksumKey,
             static_cast<unsigned long>(LogChecksum(text.data(), text.size())));
  return text.append(checksum);
}

bool InstallLog::Parse(const std::string& text, DWORD& checksum) {
  const std::size_t sum = text.rfind(kChecksumKey);
  if (sum == std::string::npos || (sum > 0 && text[sum - 1] != '\n')) return false;
  const std::string digits = text.substr(sum + std::strlen(kChecksumKey));
  if (digits.size() != 10 || digits.compare(8, 2, "\r\n") != 0) return false;
  char* end = nullptr;
  const unsigned long recorded = std::strtoul(digits.substr(0, 8).c_str(), &end, 16);
  if (!end || *end != '\0') return false;
  checksum = static_cast<DWORD>(recorded);
  if (LogChecksum(text.data(), sum) != checksum) return false;

  InstallLog parsed;
  std::size_t at = 0;
  int lineNumber = 0;
  while (at < sum) {
    const std::size_t lineEnd = text.find("\r\n", at);
    if (lineEnd == std::string::npos || lineEnd > sum) return false;
    const std::string line = text.substr(at, lineEnd - at);
    at = lineEnd + 2;
    const std::vector<std::string> fields = SplitTabs(line);
    switch (lineNumber++) {
      case 0:
        if (line != kHeader) return false;
        continue;
      case 1:
        if (fields.size() != 2 || fields[0] != "folder") return false;
        parsed.folder = fields[1];
        continue;
      case 2:
        if (fields.size() != 2 || fields[0] != "product") return false;
        parsed.product = fields[1];
        continue;
      case 3:
        if (fields.size() != 2 || fields[0] != "version") return false;
        parsed.version = fields[1];
        continue;
    }
    LogEntry entry;
    if (!ParseEntry(fields, entry)) return false;
    parsed.entries.push_back(std::move(entry));
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
