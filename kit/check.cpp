#include "check.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

#include "file_io.h"
#include "set_names.h"
#include "set_variables.h"
#include "setup_file.h"
#include "setupdat/field_split.h"
#include "setupdat/typed_value.h"
#include "szdd_compress.h"

namespace fs = std::filesystem;

namespace {

// The most bytes the files of a set may come to: Setup.exe's totals are
// 32-bit, and that is the only bound on a list's length.
constexpr unsigned long long kMostBytes = 0xFFFFFFFFull;

// Setup.exe's rule for a size: empty, or digits with an optional plus sign
// after blanks; what follows the digits is not looked at.
bool SizeIsCount(const std::string& field) {
  std::size_t at = field.find_first_not_of(" \t");
  if (at == std::string::npos) return true;
  if (field[at] == '+') ++at;
  return at < field.size() && field[at] >= '0' && field[at] <= '9';
}

class Checker {
public:
  Checker(const fs::path& folder, const SetupFile& setup, const CheckOptions& options)
      : folder_(folder), setup_(setup), options_(options) {}

  std::vector<Finding> Run();

private:
  void Error(int line, const std::string& text) { findings_.push_back(Finding{line, true, text}); }
  void Warning(int line, const std::string& text) { findings_.push_back(Finding{line, false, text}); }

  void DefineVariables();
  void CheckLicence();
  // The text expanded; an undefined variable or a path too long reported.
  std::string Expanded(int line, const std::string& text, bool isPath);
  void CheckFiles(const std::vector<SectionLine>& lines);
  void CheckRegistry(const std::vector<SectionLine>& lines);
  void CheckShortcuts(const std::vector<SectionLine>& lines);

  const fs::path& folder_;
  const SetupFile& setup_;
  const CheckOptions& options_;
  SetVariables variables_ = SetVariables::System();
  std::vector<Finding> findings_;
  std::set<std::string> installed_;  // folded destinations
  bool installsSelf_ = false;
  bool installsSetupExe_ = false;
  // The set installs for the user alone, or lets the user choose so: its
  // files must keep to what a user without administrator rights may do.
  bool perUser_ = false;
  bool userAlone_ = false;  // and only for the user: no list of the machine
};

void Checker::DefineVariables() {
  std::string value;
  int line = 0;
  if (setup_.Key(kSetupSection, "Scope", value, line)) {
    const std::string scope = FoldCase(value);
    if (scope != "USER" && scope != "MACHINE" && scope != "CHOOSE")
      Warning(line, "the scope " + value + " is neither user, machine nor choose: Setup.exe installs for every user");
    perUser_ = scope == "USER" || scope == "CHOOSE";
    userAlone_ = scope == "USER";
    // The user's own programs folder and links, as the profile has them.
    if (scope == "USER") {
      const std::string profile = "C:\\Documents and Settings\\Administrator";
      variables_.Set('P', profile + "\\Local Settings\\Application Data\\Programs");
    }
  }
  const char* copied[][2] = {{"Title", "T"}, {"App", "A"},     {"DefaultGroup", "H"}, {"License", "L"},
                             {"Check", "C"}, {"Execute", "E"}, {"View", "V"}};
  for (const auto& pair : copied) {
    if (setup_.Key(kSetupSection, pair[0], value)) variables_.Set(pair[1][0], value);
  }
  if (!variables_.Has('A')) variables_.Set('A', "");
  if (!variables_.Has('H')) variables_.Set('H', "");
  if (setup_.Key(kSetupSection, "DefaultFolder", value, line))
    variables_.Set('0', Expanded(line, value, true));
  else
    variables_.Set('0', "C:\\");
  // What the completion page starts or opens is expanded there.
  for (const char* key : {"Execute", "View"}) {
    if (setup_.Key(kSetupSection, key, value, line)) Expanded(line, value, true);
  }
}

std::string Checker::Expanded(int line, const std::string& text, bool isPath) {
  char undefined = 0;
  std::string out = variables_.Expand(text, undefined);
  if (undefined) Error(line, std::string("the variable %") + undefined + " is not defined");
  if (isPath && out.size() > kLongestPath)
    Error(line, "the path is " + std::to_string(out.size()) + " characters long with the default folder and group (" +
                    std::to_string(kLongestPath) + " at most): " + out.substr(0, 60) + "...");
  return out;
}

void Checker::CheckLicence() {
  std::string licence;
  int line = 0;
  if (!setup_.Key(kSetupSection, "License", licence, line)) return;
  fs::path path;
  if (!FindInFolder(folder_, licence, path)) {
    Error(line, "the licence file " + licence + " is not in the set");
    return;
  }
  std::error_code error;
  if (fs::file_size(path, error) == 0) Error(line, "the licence file " + licence + " is empty");
}

void Checker::CheckFiles(const std::vector<SectionLine>& lines) {
  unsigned long long total = 0;
  bool totalReported = false;
  for (const SectionLine& line : lines) {
    const char* value = line.value.c_str();
    std::string destination;
    FieldText(value, ',', 0, destination);
    if (perUser_ && FoldCase(destination.substr(0, 2)) == "%S" &&
        (destination.size() == 2 || destination[2] == '\\'))
      Error(line.number, "a per-user installation cannot install into the system folder");
    long shared = 0;
    if (perUser_ && FieldNumber(value, ',', 2, shared) && shared != 0)
      Error(line.number, "a per-user installation keeps no shared files");
    const std::string path = Expanded(line.number, destination, true);
    if (path.find('\\') == std::string::npos) Error(line.number, "the destination " + path + " has no folder part");
    if (!installed_.insert(FoldCase(path)).second)
      Error(line.number, "the destination " + path + " is installed by an earlier line as well");

    const std::size_t slash = line.key.find_last_of("\\/");
    const std::string name = FoldCase(line.key.substr(slash == std::string::npos ? 0 : slash + 1));
    installsSelf_ = installsSelf_ || name == "SETUP.DAT";
    installsSetupExe_ = installsSetupExe_ || name == "SETUP.EXE";

    long size = 0;
    const bool hasSize = FieldNumber(value, ',', 1, size);
    std::string sizeText;
    FieldText(value, ',', 1, sizeText);
    fs::path source;
    const bool givenSetup = options_.beforePack && name == "SETUP.EXE" && !options_.setupExe.empty();
    if (!FindInFolder(folder_, line.key, source) && !givenSetup) {
      Error(line.number,
            "the source " + line.key + (options_.beforePack ? " is not in the product folder" : " is not in the set"));
    } else if (!options_.beforePack) {
      // What LZCopy writes: the header's size for a packed file, else the file.
      std::uint32_t expanded = 0;
      const std::string head = ReadFileHead(source, kSzddHeaderSize);
      unsigned long long actual = 0;
      if (ReadSzddHeader(head, expanded)) {
        actual = expanded;
      } else {
        std::error_code error;
        actual = fs::file_size(source, error);
      }
      // Setup.exe reads an empty or absent size as 0 and compares the bytes
      // it wrote with that: only an empty file gets through unasked.
      const bool isEmpty = !hasSize || sizeText.find_first_not_of(" \t") == std::string::npos;
      if (isEmpty && actual != 0)
        Error(line.number, std::string("the size field is ") + (hasSize ? "empty" : "missing") +
                               ", which Setup.exe reads as 0 bytes; " + line.key + " expands to " +
                               std::to_string(actual) + " (setupkit pack fills it in)");
      else if (isEmpty)
        Warning(line.number, "the size field is empty: setupkit pack fills it in");
      if (!isEmpty && SizeIsCount(sizeText) && static_cast<unsigned long long>(size) != actual)
        Error(line.number, "the size field says " + std::to_string(size) + " bytes; " + line.key + " expands to " +
                               std::to_string(actual));
    }
    if (size > 0 && !options_.beforePack) total += static_cast<unsigned long long>(size);
    if (total > kMostBytes && !totalReported) {
      Error(line.number, "the files add up to more than 4 GB, more than Setup.exe accepts");
      totalReported = true;
    }
  }
}

void Checker::CheckRegistry(const std::vector<SectionLine>& lines) {
  for (const SectionLine& line : lines) {
    std::string keyPath;
    FieldText(line.key.c_str(), ':', 0, keyPath);
    const std::string folded = FoldCase(keyPath);
    if (folded.compare(0, 5, "HKEY_") == 0 || folded.compare(0, 4, "HKLM") == 0 || folded.compare(0, 4, "HKCR") == 0)
      Error(line.number, "the key names a root; the list gives the root, the line only the path below it");
    if (keyPath.empty() || keyPath.front() == '\\' || keyPath.back() == '\\' ||
        keyPath.find("\\\\") != std::string::npos)
      Error(line.number, "the key path " + keyPath + " has an empty level");
    std::string data;
    if (line.value.find('|') == std::string::npos)
      Error(line.number, "the value has no \"|\" between the value name and the data");
    else if (!FieldText(line.value.c_str(), '|', 1, data))
      // An absent field cannot be expanded, and Setup.exe stops there.
      Error(line.number, "the value has no data after the \"|\": Setup.exe cannot expand the line");
    else if (ReadTypedValue(data.c_str()).kind == ValueKind::kBadDword)
      Error(line.number,
            "the data " + data + " is not a number: dword: takes 1 to 8 hex digits (write \\" + data + " for a text)");
    Expanded(line.number, line.value, false);
  }
}

void Checker::CheckShortcuts(const std::vector<SectionLine>& lines) {
  std::string group;
  setup_.Key(kSetupSection, "DefaultGroup", group);
  for (const SectionLine& line : lines) {
    const char* value = line.value.c_str();
    std::string mask;
    FieldText(value, ',', 0, mask);
    if (mask.find_first_of("0123456789") == std::string::npos)
      Error(line.number, "the first field is not a number of shortcut places");
    std::string target;
    if (!FieldText(value, ',', 1, target)) {
      Error(line.number, "the shortcut has no target");
      continue;
    }
    const std::string path = Expanded(line.number, target, true);
    // A link to a program the machine has already (Notepad, a system tool)
    // is made like any other.
    if (!installed_.count(FoldCase(path)))
      Warning(line.number, "no file line installs the shortcut's target " + path +
                               ": the link works only where the file is already there");
    std::string folder;
    if (FieldText(value, ',', 2, folder))
      Expanded(line.number, folder, true);
    else
      Error(line.number, "the shortcut has no working folder: Setup.exe cannot expand the line");
    Expanded(line.number, "%G\\" + group + "\\" + line.key + ".lnk", true);
    std::string extra;
    if (FieldText(value, ',', 3, extra)) Expanded(line.number, extra, false);
    if (FieldText(value, ',', 4, extra) && !extra.empty()) {
      const std::string icon = Expanded(line.number, extra, true);
      if (!installed_.count(FoldCase(icon)))
        Warning(line.number, "no file line installs the icon file " + icon + ": the link shows no icon elsewhere");
    }
    if (FieldText(value, ',', 5, extra) && extra.find_first_not_of("0123456789") != std::string::npos &&
        !(extra.size() > 1 && extra[0] == '-' && extra.find_first_not_of("0123456789", 1) == std::string::npos))
      Error(line.number, "the icon index " + extra + " is not a number");
    if (FieldText(value, ',', 6, extra))
      Error(line.number, "the shortcut has fields after the icon index, which Setup.exe does not read");
  }
}

std::vector<Finding> Checker::Run() {
  std::vector<SectionLine> setupLines;
  if (!setup_.Section(kSetupSection, setupLines)) {
    Error(1, "there is no [Setup] section");
    return findings_;
  }
  std::string title;
  if (!setup_.Key(kSetupSection, "Title", title)) Error(1, "[Setup] has no Title: Setup.exe refuses the set");
  DefineVariables();
  // A name that leads out of the set is reported alone: nothing outside
  // the set is read for it.
  NameFaults faults = CheckSetNames(setup_, false);
  findings_.insert(findings_.end(), faults.findings.begin(), faults.findings.end());
  std::string licenceName;
  int licenceLine = 0;
  if (!setup_.Key(kSetupSection, "License", licenceName, licenceLine) || !faults.lines.count(licenceLine))
    CheckLicence();

  bool hasFiles = false;
  for (const ListKey& list : kListKeys) {
    std::string name;
    int line = 0;
    if (!setup_.Key(kSetupSection, list.key, name, line)) continue;
    if (userAlone_ && (list.kind == ListKind::kRegClasses || list.kind == ListKind::kRegMachine)) {
      Error(line, "a per-user installation writes only below HKEY_CURRENT_USER: Setup.exe refuses " +
                      std::string(list.key));
      continue;
    }
    std::vector<SectionLine> lines;
    if (!setup_.Section(name, lines) || lines.empty()) {
      Error(line, "the list [" + name + "] that " + list.key + " names is missing or empty");
      continue;
    }
    // The rules every line of a list must pass before it becomes an item.
    std::vector<SectionLine> readable;
    for (const SectionLine& entry : lines) {
      if (list.kind == ListKind::kFiles && faults.lines.count(entry.number)) {
        continue;
      } else if (entry.value.compare(0, 1, "!") == 0) {
        Error(entry.number, "the line has no value");
      } else if (entry.value.size() > kLongestValue) {
        Error(entry.number, "the line is longer than " + std::to_string(kLongestValue) + " characters");
      } else if (entry.key[0] == ':' && list.kind != ListKind::kFiles && list.kind != ListKind::kShortcuts) {
        Error(entry.number, "the line names no registry key");
      } else {
        readable.push_back(entry);
      }
    }
    switch (list.kind) {
      case ListKind::kFiles:
        hasFiles = true;
        for (const SectionLine& entry : readable) {
          std::string size;
          if (!options_.beforePack && FieldText(entry.value.c_str(), ',', 1, size) && !SizeIsCount(size))
            Error(entry.number, "the size is not a number of bytes");
        }
        CheckFiles(readable);
        break;
      case ListKind::kRegClasses:
      case ListKind::kRegMachine:
      case ListKind::kRegUser:
        CheckRegistry(readable);
        break;
      case ListKind::kShortcuts:
        CheckShortcuts(readable);
        break;
    }
  }
  // Neither stops the installation; they only make the uninstall fail.
  if (!installsSelf_)
    Warning(hasFiles ? 0 : 1, "the Files list does not install Setup.dat: the product could not be uninstalled");
  else if (!installsSetupExe_)
    Warning(0, "the Files list does not install Setup.exe: the uninstall runs it from the installation folder");
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return findings_;
}

}  // namespace

std::vector<Finding> CheckSet(const fs::path& folder, const CheckOptions& options) {
  fs::path path;
  if (!FindInFolder(folder, "Setup.dat", path)) throw KitError((folder / "Setup.dat").string() + ": no such file");
  const SetupFile setup(ReadWholeFile(path));
  Checker checker(folder, setup, options);
  return checker.Run();
}

std::string FormatFinding(const Finding& finding) {
  return "Setup.dat:" + std::to_string(finding.line > 0 ? finding.line : 1) +
         (finding.error ? ": error: " : ": warning: ") + finding.text;
}
