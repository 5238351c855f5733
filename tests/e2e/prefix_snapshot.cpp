#include "e2e/prefix_snapshot.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/temp_folder.h"
#include "uiauto.h"

namespace e2e {
namespace {

std::string Lower(std::string text) {
  if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

constexpr DWORD kLargestChecksummed = 256 * 1024;

// FNV-1a over the file's bytes.
std::string Checksum(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned long long hash = 1469598103934665603ull;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      hash ^= static_cast<unsigned char>(buffer[i]);
      hash *= 1099511628211ull;
    }
  }
  char text[32];
  std::snprintf(text, sizeof text, "%016llx", hash);
  return text;
}

void ListFiles(const std::string& folder, const std::vector<std::string>& skipped,
               std::map<std::string, std::string>& entries) {
  for (const std::string& skip : skipped)
    if (Lower(folder) == skip) return;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    // A folder that leads elsewhere (Wine links some to the Unix home) is
    // not the machine's to compare.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      entries["file " + Lower(path) + "\\"] = "folder";
      ListFiles(path, skipped, entries);
    } else if (data.nFileSizeHigh == 0 && data.nFileSizeLow <= kLargestChecksummed) {
      entries["file " + Lower(path)] = std::to_string(data.nFileSizeLow) + " " + Checksum(path);
    } else {
      // Wine's own libraries: no run of ours writes them, and reading them
      // all would take longer than the runs.
      entries["file " + Lower(path)] = std::to_string(data.nFileSizeLow) + " written " +
                                       std::to_string(data.ftLastWriteTime.dwHighDateTime) + ":" +
                                       std::to_string(data.ftLastWriteTime.dwLowDateTime);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

// `reg export` of one root into entries "reg [key] name" -> data.
void ExportRegistry(const char* root, std::map<std::string, std::string>& entries) {
  testsupport::TempFolder folder;
  const std::string file = folder.Join("export.reg");
  auto process = uiauto::Process::Start("reg.exe export " + std::string(root) + " " + uiauto::QuoteArg(file) + " /y");
  if (!process || !process->WaitForExit(120000)) {
    entries["reg export"] = "failed";
    return;
  }
  // reg writes UTF-16; the names here are ASCII, so every other byte will do.
  const std::string raw = testsupport::ReadFile(file);
  std::string text;
  for (std::size_t i = 2; i + 1 < raw.size(); i += 2) text.push_back(raw[i + 1] ? '?' : raw[i]);
  std::istringstream lines(text);
  std::string line;
  std::string key;
  std::string pending;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Values that go on over several lines end them in a backslash.
    if (!pending.empty()) {
      line = pending + line;
      pending.clear();
    }
    if (!line.empty() && line.back() == '\\' && line.front() != '[') {
      pending = line.substr(0, line.size() - 1);
      continue;
    }
    if (line.empty()) continue;
    if (line.front() == '[') {
      key = line;
      entries["reg " + Lower(key)] = "key";
      continue;
    }
    const std::size_t equals = line.find("\"=");
    const std::size_t split = equals == std::string::npos ? line.find('=') : equals + 1;
    if (split == std::string::npos) continue;
    entries["reg " + Lower(key) + " " + line.substr(0, split)] = line.substr(split + 1);
  }
}

// Wine's own bookkeeping, which changes whatever a run does.
bool IsVolatile(const std::string& entry) {
  static const char* const kVolatile[] = {
      "reg [hkey_local_machine\\hardware",
      "reg [hkey_local_machine\\software\\wine\\",
      "reg [hkey_current_user\\software\\wine\\",
      "reg [hkey_local_machine\\system\\currentcontrolset\\control\\session manager\\environment",
      "reg [hkey_local_machine\\software\\microsoft\\windows nt\\currentversion\\perflib",
      "reg [hkey_local_machine\\software\\microsoft\\cryptography\\rng",
      "reg [hkey_local_machine\\system\\currentcontrolset\\control\\deviceclasses",
      "reg [hkey_local_machine\\system\\currentcontrolset\\control\\servicecurrent",
      "reg [hkey_local_machine\\software\\microsoft\\windows nt\\currentversion\\networkcards",
  };
  for (const char* prefix : kVolatile)
    if (entry.compare(0, std::strlen(prefix), prefix) == 0) return true;
  return false;
}

}  // namespace

PrefixSnapshot PrefixSnapshot::Take(bool withUser) {
  PrefixSnapshot snapshot;
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  std::string tempFolder = Lower(temp);
  if (!tempFolder.empty() && tempFolder.back() == '\\') tempFolder.pop_back();
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::vector<std::string> skipped = {tempFolder, Lower(std::string(windows) + "\\temp"),
                                            Lower(std::string(windows) + "\\logs")};
  ListFiles("C:", skipped, snapshot.entries_);
  ExportRegistry("HKLM", snapshot.entries_);
  if (withUser) ExportRegistry("HKCU", snapshot.entries_);
  for (auto it = snapshot.entries_.begin(); it != snapshot.entries_.end();)
    it = IsVolatile(it->first) ? snapshot.entries_.erase(it) : std::next(it);
  return snapshot;
}

std::string PrefixSnapshot::DifferencesTo(const PrefixSnapshot& later) const {
  std::string differences;
  for (const auto& [entry, value] : entries_) {
    auto found = later.entries_.find(entry);
    if (found == later.entries_.end())
      differences += "- " + entry + " = " + value + "\n";
    else if (found->second != value)
      differences += "~ " + entry + " = " + value + " -> " + found->second + "\n";
  }
  for (const auto& [entry, value] : later.entries_)
    if (entries_.find(entry) == entries_.end()) differences += "+ " + entry + " = " + value + "\n";
  return differences;
}

}  // namespace e2e
