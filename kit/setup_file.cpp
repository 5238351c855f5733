#include "setup_file.h"

#include "ansi_text.h"

const ListKey kListKeys[5] = {
    {ListKind::kFiles, "Files"},
    {ListKind::kRegClasses, "RegClasses"},
    {ListKind::kRegMachine, "RegMachine"},
    {ListKind::kRegUser, "RegUser"},
    {ListKind::kShortcuts, "Shortcuts"},
};

SetupFile::SetupFile(const std::string& file) : text_(AnsiText(file)) {}

bool SetupFile::Section(const std::string& name, std::vector<SectionLine>& lines) const {
  return SplitSection(text_, name.c_str(), lines);
}

bool SetupFile::Key(const char* section, const char* key, std::string& value, int& line) const {
  std::vector<SectionLine> lines;
  if (!Section(section, lines)) return false;
  const std::string wanted = FoldCase(key);
  for (const SectionLine& entry : lines) {
    if (FoldCase(entry.key) != wanted) continue;
    if (entry.value.compare(0, 1, "!") == 0) return false;  // the reader's mark of an absent key
    value = entry.value.substr(0, kLongestValue);
    line = entry.number;
    return true;
  }
  return false;
}

bool SetupFile::Key(const char* section, const char* key, std::string& value) const {
  int line = 0;
  return Key(section, key, value, line);
}

std::string WithSize(const std::string& value, unsigned long long size) {
  const std::size_t first = value.find(',');
  if (first == std::string::npos) return value + "," + std::to_string(size);
  const std::size_t second = value.find(',', first + 1);
  return value.substr(0, first + 1) + std::to_string(size) + (second == std::string::npos ? "" : value.substr(second));
}
