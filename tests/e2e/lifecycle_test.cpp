// A product's whole life on the machine, measured by what it leaves there:
// two products that share a library and registry keys with others take
// away only their own; a record that cannot be trusted removes nothing; an
// upgrade leaves exactly the new version, and a failed one the old.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

#include "e2e/prefix_snapshot.h"
#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 120000;
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";




void SetRegistryText(HKEY root, const std::string& key, const char* name, const std::string& value) {
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(opened);
}


// The snapshot's line for a shared count of `path` at `count`, with the
// counts' key when the machine had none before.
std::string CountLines(const PrefixSnapshot& before, const std::string& path, int count) {
  std::string key = "reg [hkey_local_machine\\" + std::string(kSharedDlls) + "]";
  CharLowerBuffA(&key[0], static_cast<DWORD>(key.size()));
  std::string escaped;
  for (char c : path) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  char dword[16];
  std::snprintf(dword, sizeof dword, "%08x", count);
  return (before.entries().count(key) ? "" : "+ " + key + " = key\n") + "+ " + key + " \"" + escaped +
         "\" = dword:" + dword + "\n";
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// One release of a product: its set, with Setup.dat made of a [Setup]
// section and the lists, each file line sized from the file in the set.
class Release {
public:
  Release(const std::string& title, const std::string& setup) : title_(title), setup_(setup) {}

  // A file of the set, installed to `destination` (shared when asked).
  Release& File(const std::string& name, const std::string& content, const std::string& destination,
                bool shared = false) {
    set_.Write(name, content);
    files_ += name + "=" + destination + "," + std::to_string(content.size()) + "," + (shared ? "1" : "0") + "\r\n";
    return *this;
  }
  Release& Copied(const std::string& besideTests, const std::string& name, const std::string& destination,
                  bool shared) {
    set_.Copy(besideTests, name);
    files_ += name + "=" + destination + "," + std::to_string(testsupport::ReadFile(set_.Join(name)).size()) + "," +
              (shared ? "1" : "0") + "\r\n";
    return *this;
  }
  // A line for a file the set lacks.
  Release& Missing(const std::string& name, const std::string& destination) {
    files_ += name + "=" + destination + ",7,0\r\n";
    return *this;
  }
  Release& Lists(const std::string& lists) {
    lists_ = lists;
    return *this;
  }
  const InstallationSet& Write() {
    WriteSelfSizedSetupDat(set_, "[Setup]\r\nTitle=" + title_ + "\r\nApp=" + title_ + "\r\n" + setup_ +
                                     "Files=Files\r\n[Files]\r\n" + files_ +
                                     "Setup.dat=%0\\Setup.dat,@SELF@,0,Setup\r\n" + lists_);
    return set_;
  }
  const InstallationSet& set() const { return set_; }

private:
  std::string title_;
  std::string setup_;
  std::string files_;
  std::string lists_;
  InstallationSet set_;
};

TEST(Lifecycle, TwoProductsTakeAwayOnlyTheirOwnInEitherOrder) {
  const std::string shared = SystemFolder() + "\\LCSHARED.DLL";
  // Before either product: the library, without a count; the Run key and a
  // file association with another program's values.
  testsupport::WriteFile(shared, testsupport::ReadFile(uiauto::PathBesideThisExecutable("ver_2_0.dll")));
  SetRegistryText(HKEY_LOCAL_MACHINE, kRunKey, "LcOther", "other.exe");
  SetRegistryText(HKEY_CLASSES_ROOT, ".lcdoc", nullptr, "Other.Document");
  SetRegistryText(HKEY_CLASSES_ROOT, ".lcdoc", "Content Type", "text/other");
  const PrefixSnapshot before = PrefixSnapshot::Take();

  Release alpha("LcAlpha", "DefaultGroup=LcAlpha\r\nGroup=1\r\nRegClasses=Classes\r\nRegMachine=Machine\r\n"
                           "Shortcuts=Shortcuts\r\n");
  alpha.File("alpha.txt", "alpha", "%0\\alpha.txt")
      .Copied("ver_2_0.dll", "LCSHARED.DLL", "%S\\LCSHARED.DLL", true)
      .Lists("[Classes]\r\n.lcdoc:1=LcAlphaHandler|yes\r\n[Machine]\r\n" + std::string(kRunKey) +
             "=LcAlpha|\"%0\\alpha.txt\"\r\nSoftware\\LcAlpha=Path|%0\r\n" + kUninstallRoot +
             "LcAlpha=DisplayName|LcAlpha\r\n[Shortcuts]\r\nLcAlpha=1,%0\\alpha.txt,%0\r\n")
      .Write();
  // The second keeps the newer library it finds, and has no entry lines of
  // its own: Setup.exe makes its entry.
  Release beta("LcBeta", "UninstallKey=LcBeta\r\nVersion=3.1\r\nPublisher=Beta & Co\r\nRegMachine=Machine\r\n");
  beta.File("beta.txt", "beta", "%0\\beta.txt")
      .Copied("ver_1_9.dll", "LCSHARED.DLL", "%S\\LCSHARED.DLL", true)
      .Lists("[Machine]\r\n" + std::string(kRunKey) + "=LcBeta|\"%0\\beta.txt\"\r\n")
      .Write();
  const std::string alphaFolder = ProgramFiles() + "\\LcAlpha";
  const std::string betaFolder = ProgramFiles() + "\\LcBeta";

  for (bool alphaFirst : {true, false}) {
    SCOPED_TRACE(alphaFirst ? "alpha removed first" : "beta removed first");
    ASSERT_EQ(RunToExit(alpha.set(), "/S /D=" + alphaFolder), 0u);
    ASSERT_EQ(RunToExit(beta.set(), "/S /D=" + betaFolder), 0u);
    // Somebody's count of 1, and one for each product.
    EXPECT_EQ(SharedCount(shared), 3);
    EXPECT_EQ(testsupport::ReadFile(shared), testsupport::ReadFile(uiauto::PathBesideThisExecutable("ver_2_0.dll")));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "LcBeta", "InstallLocation"), betaFolder);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "LcBeta", "Publisher"), "Beta & Co");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "LcAlpha", "InstallLocation"),
              alphaFolder);
    // The user deleted a link of the first product by hand.
    const std::string link = AllUsersFolder("Programs") + "\\LcAlpha\\LcAlpha.lnk";
    ASSERT_TRUE(DeleteFileA(link.c_str()));

    const std::string first = alphaFirst ? alphaFolder : betaFolder;
    const std::string second = alphaFirst ? betaFolder : alphaFolder;
    EXPECT_EQ(RunToExit(alphaFirst ? alpha.set() : beta.set(), "/S /U \"" + first + "\""), 0u);
    EXPECT_EQ(SharedCount(shared), 2);
    EXPECT_EQ(RunToExit(alphaFirst ? beta.set() : alpha.set(), "/S /U \"" + second + "\""), 0u);
    // Everything foreign as it was; of the products, only the count that
    // somebody else keeps on the library they found.
    EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), CountLines(before, shared, 1));
    // The next round starts from the machine before either product.
    HKEY counts = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, &counts) == ERROR_SUCCESS) {
      RegDeleteValueA(counts, shared.c_str());
      RegCloseKey(counts);
    }
  }
  DeleteFileA(shared.c_str());
}

TEST(Lifecycle, ARecordThatCannotBeTrustedRemovesNothing) {
  Release product("LcRecord", "RegMachine=Machine\r\n");
  product.File("record.txt", "record", "%0\\record.txt")
      .Lists("[Machine]\r\n" + std::string(kUninstallRoot) + "LcRecord=DisplayName|LcRecord\r\n")
      .Write();
  const std::string folder = ProgramFiles() + "\\LcRecord";
  const PrefixSnapshot before = PrefixSnapshot::Take();
  ASSERT_EQ(RunToExit(product.set(), "/S /D=" + folder), 0u);
  const std::string logPath = folder + "\\Install.log";
  const std::string setupDat = folder + "\\Setup.dat";
  const std::string log = testsupport::ReadFile(logPath);
  const std::string dat = testsupport::ReadFile(setupDat);
  ASSERT_NE(log.find("F\to\t" + folder + "\\record.txt\r\n"), std::string::npos) << log;
  const PrefixSnapshot installed = PrefixSnapshot::Take();

  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string otherFolder = log;
  otherFolder.replace(otherFolder.find(folder), folder.size(), windows);
  std::string badChecksum = log;
  badChecksum[badChecksum.size() - 3] = badChecksum[badChecksum.size() - 3] == '0' ? '1' : '0';
  const std::vector<std::pair<std::string, std::function<void()>>> damages = {
      {"Setup.dat names the Windows folder",
       [&] { WritePrivateProfileStringA("Uninstall", "InstallFolder", windows, setupDat.c_str()); }},
      {"Setup.dat names another folder",
       [&] { WritePrivateProfileStringA("Uninstall", "InstallFolder", (folder + "\\..\\..").c_str(), setupDat.c_str()); }},
      {"the log names the Windows folder", [&] { testsupport::WriteFile(logPath, otherFolder); }},
      {"the log is cut short", [&] { testsupport::WriteFile(logPath, log.substr(0, log.size() / 2)); }},
      {"the log's checksum is wrong", [&] { testsupport::WriteFile(logPath, badChecksum); }},
      {"the log is missing", [&] { DeleteFileA(logPath.c_str()); }},
      {"the entry holds another checksum",
       [&] {
         SetRegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "LcRecord", "SetupLogChecksum", "00000000");
       }},
  };
  const std::string checksum =
      RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "LcRecord", "SetupLogChecksum");
  for (const auto& [what, damage] : damages) {
    SCOPED_TRACE(what);
    damage();
    EXPECT_EQ(RunToExit(product.set(), "/S /U \"" + folder + "\""), 1603u);
    testsupport::WriteFile(logPath, log);
    testsupport::WriteFile(setupDat, dat);
    SetRegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "LcRecord", "SetupLogChecksum", checksum);
    EXPECT_EQ(installed.DifferencesTo(PrefixSnapshot::Take()), "");
  }

  // Interactive, the user is told why.
  testsupport::WriteFile(logPath, log.substr(0, log.size() - 5));
  auto process = product.set().Start("/U \"" + folder + "\"");
  ASSERT_TRUE(process);
  const auto told = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs, IDOK);
  ASSERT_TRUE(told.exited) << told.ToString();
  EXPECT_EQ(told.exitCode, 1603u);
  ASSERT_EQ(told.boxes.size(), 1u) << told.ToString();
  EXPECT_EQ(told.boxes[0].box.text,
            "The record of this installation is missing, damaged or does not match this computer, so nothing can be "
            "removed safely. Nothing has been removed.");

  // Put right, it removes the product and nothing else.
  testsupport::WriteFile(logPath, log);
  EXPECT_EQ(RunToExit(product.set(), "/S /U \"" + folder + "\""), 0u);
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");
}

TEST(Lifecycle, AnUpgradeLeavesExactlyTheNewVersionAndAFailedOneTheOld) {
  const std::string library = SystemFolder() + "\\LCUPG.DLL";
  const std::string entry = std::string(kUninstallRoot) + "LcUpgrade";
  const std::string lines = "[Machine]\r\n" + entry + "=DisplayName|LcUpgrade\r\nSoftware\\LcUpgrade=Keep|";
  Release one("LcUpgrade", "Version=1.0\r\nRegMachine=Machine\r\n");
  one.File("keep.txt", "one", "%0\\keep.txt")
      .File("drop.txt", "dropped in two", "%0\\Old\\drop.txt")
      .File("LCUPG.DLL", "library", "%S\\LCUPG.DLL", true)
      .Lists(lines + "1\r\nSoftware\\LcUpgrade:2=Old|1\r\n")
      .Write();
  Release two("LcUpgrade", "Version=2.0\r\nRegMachine=Machine\r\n");
  two.File("keep.txt", "two", "%0\\keep.txt")
      .File("new.txt", "new in two", "%0\\new.txt")
      .File("LCUPG.DLL", "library", "%S\\LCUPG.DLL", true)
      .Lists(lines + "2\r\nSoftware\\LcUpgrade:2=New|2\r\n")
      .Write();
  // Version two as it would fail: a file of its list is missing.
  Release broken("LcUpgrade", "Version=2.0\r\nRegMachine=Machine\r\n");
  broken.File("keep.txt", "two", "%0\\keep.txt")
      .File("LCUPG.DLL", "library", "%S\\LCUPG.DLL", true)
      .Missing("missing.txt", "%0\\missing.txt")
      .Lists(lines + "2\r\n")
      .Write();

  const std::string oldFolder = ProgramFiles() + "\\LcUpgrade One";
  const std::string newFolder = ProgramFiles() + "\\LcUpgrade Two";
  const PrefixSnapshot before = PrefixSnapshot::Take();
  ASSERT_EQ(RunToExit(one.set(), "/S /D=" + oldFolder), 0u);
  const PrefixSnapshot versionOne = PrefixSnapshot::Take();

  // Interactive, the update names itself and proposes version one's folder.
  {
    auto process = two.set().Start();
    ASSERT_TRUE(process);
    WizardDriver wizard(*process);
    ASSERT_TRUE(wizard.Appear() && wizard.WaitFor(WizardPage::Welcome)) << wizard.Failure();
    EXPECT_NE(uiauto::ControlText(wizard.sheet(), IDC_WELCOME_TEXT)
                  .value_or("")
                  .find("LcUpgrade 1.0 is installed on this computer. Setup will update it to version 2.0."),
              std::string::npos);
    ASSERT_TRUE(wizard.Next(WizardPage::Folder)) << wizard.Failure();
    EXPECT_EQ(uiauto::ControlText(wizard.sheet(), IDC_FOLDER_EDIT).value_or(""), oldFolder);
    process->Kill();
  }

  // A failed upgrade puts version one back, whole.
  EXPECT_EQ(RunToExit(broken.set(), "/S /D=" + newFolder), 1603u);
  EXPECT_EQ(versionOne.DifferencesTo(PrefixSnapshot::Take()), "");

  // Version two, elsewhere: version one's folder goes, with what two no
  // longer has; the library is counted once.
  ASSERT_EQ(RunToExit(two.set(), "/S /D=" + newFolder), 0u);
  EXPECT_EQ(GetFileAttributesA(oldFolder.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FilesIn(newFolder), (std::vector<std::string>{"Install.log", "Setup.dat", "keep.txt", "new.txt"}));
  EXPECT_EQ(testsupport::ReadFile(newFolder + "\\keep.txt"), "two");
  EXPECT_EQ(SharedCount(library), 1);
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "Software\\LcUpgrade", "Keep"), "2");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "Software\\LcUpgrade", "New"), "2");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "Software\\LcUpgrade", "Old"), "<absent>");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, entry, "InstallLocation"), newFolder);
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, entry, "DisplayVersion"), "2.0");

  // One uninstall takes the machine back to before version one, started,
  // as a list of programs may start it, with the product's folder as its
  // current folder.
  auto uninstall = uiauto::Process::Start(uiauto::QuoteArg(two.set().SetupExe()) + " /S /U \"" + newFolder + "\"",
                                          newFolder);
  ASSERT_TRUE(uninstall && uninstall->WaitForExit(120000));
  EXPECT_EQ(uninstall->ExitCode().value_or(1), 0u);
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), CountLines(before, library, 0));
}

}  // namespace
}  // namespace e2e
