#include "set_names.h"

#include <map>

namespace {

// The parts of a path between its separators, empty ones dropped.
std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Windows drops trailing dots and blanks from a name, so ". ." and "..."
// can stand for "..": any part made of nothing else that has two dots.
bool ClimbsOut(const std::string& path) {
  for (const std::string& part : Parts(path)) {
    if (part.find_first_not_of(". ") == std::string::npos && part.find('.') != part.rfind('.')) return true;
  }
  return false;
}

// A name that does not start inside the set: "\x", "/x", "\\server\x",
// "C:x", or a colon anywhere (a drive or a stream of another file).
bool NotInside(const std::string& key) {
  return key.empty() || key[0] == '\\' || key[0] == '/' || key.find(':') != std::string::npos;
}

std::string FileName(const std::string& key) {
  const std::size_t slash = key.find_last_of("\\/");
  return slash == std::string::npos ? key : key.substr(slash + 1);
}

}  // namespace

std::string SetFileOf(const std::string& key) {
  std::string joined;
  for (const std::string& part : Parts(key)) joined += (joined.empty() ? "" : "\\") + FoldCase(part);
  return joined;
}

std::string UnderscoreName(const std::string& key, char& replaced) {
  const std::string name = FileName(key);
  const std::size_t dot = name.rfind('.');
  replaced = '\0';
  if (dot != std::string::npos && name.size() - dot == 4) {
    replaced = key.back();
    return key.substr(0, key.size() - 1) + "_";
  }
  return key + "_";
}

bool StaysPlain(const std::string& key, const std::string& licence) {
  const std::string name = FoldCase(FileName(key));
  return name == "SETUP.EXE" || name == "SETUP.DAT" || (!licence.empty() && FoldCase(key) == FoldCase(licence));
}

NameFaults CheckSetNames(const SetupFile& setup, bool underscoreNames) {
  NameFaults faults;
  auto refuse = [&faults](int line, const std::string& text) {
    faults.findings.push_back(Finding{line, true, text});
    faults.lines.insert(line);
  };
  std::string licence;
  int licenceLine = 0;
  if (setup.Key(kSetupSection, "License", licence, licenceLine)) {
    if (ClimbsOut(licence)) refuse(licenceLine, "the licence file " + licence + " is outside the set (\"..\")");
    else if (NotInside(licence)) refuse(licenceLine, "the licence file " + licence + " names a root or a drive");
  }

  std::string listName;
  std::vector<SectionLine> lines;
  if (!setup.Key(kSetupSection, "Files", listName) || !setup.Section(listName, lines)) return faults;
  // Each set file a line may write, with the first line and key that may.
  struct Owner {
    int line;
    std::string key;
  };
  std::map<std::string, Owner> owners;
  for (const SectionLine& line : lines) {
    const std::string destination = line.value.substr(0, line.value.find(','));
    if (ClimbsOut(line.key)) {
      refuse(line.number, "the key " + line.key + " leaves the set (\"..\")");
      continue;
    }
    if (NotInside(line.key)) {
      refuse(line.number, "the key " + line.key + " names a root or a drive, not a file in the set");
      continue;
    }
    if (ClimbsOut(destination)) {
      refuse(line.number, "the destination " + destination + " leaves its folder (\"..\")");
      continue;
    }
    // Lines with one key (as Windows compares names) share one file; two
    // keys must never share one.
    std::vector<std::string> names = {line.key};
    char replaced = 0;
    if (underscoreNames && !StaysPlain(line.key, licence)) names.push_back(UnderscoreName(line.key, replaced));
    for (const std::string& name : names) {
      const auto found = owners.emplace(SetFileOf(name), Owner{line.number, line.key});
      const Owner& owner = found.first->second;
      if (found.second || SetFileOf(owner.key) == SetFileOf(line.key)) continue;
      refuse(line.number, "the key " + line.key + " and the key " + owner.key + " on line " +
                              std::to_string(owner.line) + " map to one file in the set, " + name);
      break;
    }
  }
  return faults;
}
