#include "init.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "file_io.h"
#include "setup_file.h"

namespace fs = std::filesystem;

namespace {

// A "%" in a name stands for itself only when doubled: names go into
// destinations, where variables expand.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

// Why a name cannot become a list line as it is; null when it can. The
// reader splits a line at its first "=" and a value at ",", drops blanks
// around both, and takes ";" and "[" at a line's start as a comment and
// a section.
const char* Unwritable(const std::string& key) {
  if (key.find_first_of("=,") != std::string::npos) return "a name with \"=\" or \",\" cannot be a list line";
  if (key[0] == ';' || key[0] == '[') return "a name beginning with \";\" or \"[\" reads as a comment or a section";
  if (key.front() == ' ' || key.back() == ' ') return "blanks around a name are dropped when it is read";
  for (unsigned char c : key) {
    // Setup.dat is read in the ANSI code page: what the host names in
    // UTF-8 would be another name there.
    if (c < 0x20 || c >= 0x7F) return "a name outside plain ASCII is read in the ANSI code page as another name";
  }
  return nullptr;
}

bool IsLicence(const std::string& name) {
  std::string upper = FoldCase(name);
  return upper.compare(0, 7, "LICENSE") == 0;
}

}  // namespace

InitSummary InitProduct(const fs::path& product) {
  std::error_code error;
  if (!fs::is_directory(product, error)) throw KitError(product.string() + ": no such folder");
  fs::path existing;
  if (FindInFolder(product, "Setup.dat", existing))
    throw KitError(existing.string() + ": there is a Setup.dat already; init writes only a new one");

  // Sorted, so that the list reads like the folder and comes out the same
  // on every host.
  std::vector<std::string> keys;
  InitSummary summary;
  for (fs::recursive_directory_iterator at(product, error), end; !error && at != end; at.increment(error)) {
    if (!at->is_regular_file(error)) continue;
    std::string key = fs::relative(at->path(), product, error).generic_string();
    std::replace(key.begin(), key.end(), '/', '\\');
    const std::string folded = FoldCase(key);
    if (folded == "SETUP.DAT" || folded == "SETUP.EXE") continue;  // listed last, always
    if (const char* reason = Unwritable(key)) {
      summary.skipped.push_back(key + ": " + reason);
      continue;
    }
    if (summary.licence.empty() && key.find('\\') == std::string::npos && IsLicence(key)) summary.licence = key;
    keys.push_back(key);
  }
  if (error) throw KitError(product.string() + ": " + error.message());
  std::sort(keys.begin(), keys.end());
  std::sort(summary.skipped.begin(), summary.skipped.end());

  std::string name = fs::absolute(product, error).lexically_normal().filename().string();
  if (name.empty()) name = fs::absolute(product, error).lexically_normal().parent_path().filename().string();
  if (name.empty() || Unwritable(name)) name = "Product";

  std::string text;
  text += "; Written by setupkit init. A line beginning with \";\" is a choice left to you:\r\n";
  text += "; remove the \";\" and fill it in. setupkit pack fills in every size written \"?\".\r\n";
  text += "[Setup]\r\n";
  text += "Title=" + name + "\r\n";
  text += ";Version=1.0\r\n;Publisher=\r\n;App=" + name + "\r\n";
  text += "DefaultFolder=%P\\" + Escaped(name) + "\r\n";
  text += ";DefaultGroup=" + name + "\r\n;Group=1\r\n;Desktop=1\r\n;Startup=0\r\n";
  if (!summary.licence.empty()) text += "License=" + summary.licence + "\r\n";
  text += ";Check=WINDOW CLASS OF THE RUNNING PROGRAM\r\n;Execute=%0\\PROGRAM.EXE\r\n;View=%0\\README.TXT\r\n";
  text += ";ViewText=View release notes\r\n";
  text += "Files=Files\r\n;RegClasses=Classes\r\n;RegMachine=Machine\r\n;Shortcuts=Shortcuts\r\n";
  text += "\r\n[Files]\r\n";

  std::set<std::string> seen;
  for (const std::string& key : keys) {
    // Two host names that differ by case alone are one name on Windows.
    if (!seen.insert(FoldCase(key)).second) {
      summary.skipped.push_back(key +
                                ": another file has this name but for its case, which Windows does not tell apart");
      continue;
    }
    const std::string file = key.substr(key.find_last_of('\\') == std::string::npos ? 0 : key.find_last_of('\\') + 1);
    std::string value = "%0\\" + Escaped(key) + ",?,0," + file;
    // The description goes first when the value is too long; then the file.
    if (value.size() > kLongestValue) value.resize(value.size() - file.size() - 1);
    if (value.size() > kLongestValue) {
      summary.skipped.push_back(key + ": its line would be longer than 255 characters");
      continue;
    }
    text += key + "=" + value + "\r\n";
    ++summary.files;
  }
  text += "Setup.exe=%0\\Setup.exe,?,0,Setup program\r\n";
  text += "Setup.dat=%0\\Setup.dat,?,0,Setup information\r\n";
  summary.files += 2;

  text += "\r\n;[Machine]\r\n";
  const std::string entry = ";Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
  text += entry + ":1=DisplayName|" + name + "\r\n";
  text += entry + ":2=UninstallString|\"%0\\Setup.exe\" /U \"%0\"\r\n";
  text += "\r\n;[Shortcuts]\r\n;" + name + "=1,%0\\PROGRAM.EXE,%0\r\n";
  text += ";Uninstall " + name + "=1,%0\\Setup.exe,%0,/U \"%0\"\r\n";
  WriteWholeFile(product / "Setup.dat", text);
  return summary;
}
