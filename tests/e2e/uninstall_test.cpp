// Installation and removal of whole products through the real Setup.exe,
// measured by what they leave on the machine: an uninstall takes away
// everything the installation brought, a shared library stays while a
// product still needs it, and a link the user deleted already does not
// stop the removal.
#include <gtest/gtest.h>

#include "e2e/prefix_snapshot.h"
#include "e2e/setup_run.h"

namespace e2e {
namespace {

const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kUninstalled[] = "Successfully uninstalled the application.";
const char kUninstallFailed[] =
    "Failed to uninstall the application - files from the application may still be on your computer.";


bool KeyExists(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}



bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> Texts(const uiauto::MessageBoxLog& log) {
  std::vector<std::string> texts;
  for (const auto& answered : log.boxes) texts.push_back(answered.box.text);
  return texts;
}

// Answers Yes to the question whether to remove, OK to the rest, No to a
// restart.
int Agree(const uiauto::MessageBoxInfo& box) {
  if (box.HasButton(IDYES) && box.caption == "Uninstall") return IDYES;
  if (box.HasButton(IDNO)) return IDNO;
  return IDOK;
}

// One product: an installation set with its own Setup.dat, installed into
// a folder under Program Files.
class Product {
public:
  Product(const std::string& name, const std::string& sharedDll)
      : name_(name), folder_(ProgramFiles() + "\\" + name), sharedDll_(sharedDll) {}

  const std::string& folder() const { return folder_; }
  std::string Installed(const std::string& file) const { return folder_ + "\\" + file; }
  const InstallationSet& set() const { return set_; }

  // The product: a program and a manual in a folder of their own, a
  // library in the system folder counted as shared, registry entries with
  // a line for every key level they create, and one shortcut in all three
  // places.
  void WriteSet(bool withShortcut = true) const {
    set_.Write("app.txt", "the program of " + name_);
    set_.Write("MANUAL.HLP", "the manual");
    set_.Write("shared.dll", "a library several products use");
    const std::string setupExe = testsupport::ReadFile(set_.SetupExe());
    WriteSelfSizedSetupDat(
        set_, "[Setup]\r\nTitle=" + name_ + "\r\nApp=" + name_ + "\r\nDefaultFolder=%P\\" + name_ +
                  "\r\nDefaultGroup=" + name_ + " Group\r\nGroup=1\r\nDesktop=1\r\nStartup=1\r\nFiles=Files\r\n"
                  "RegClasses=Classes\r\nRegMachine=Machine\r\n" + (withShortcut ? "Shortcuts=Shortcuts\r\n" : "") +
                  "[Files]\r\napp.txt=%0\\app.txt," + std::to_string(15 + name_.size()) + ",0,Program\r\n"
                  "MANUAL.HLP=%0\\Help\\MANUAL.HLP,10,0,Manual\r\n"
                  "shared.dll=%S\\" + sharedDll_ + ",30,1,Shared library\r\n"
                  "Setup.exe=%0\\Setup.exe," + std::to_string(setupExe.size()) + ",0,Setup\r\n"
                  "Setup.dat=%0\\Setup.dat,@SELF@,0,Information\r\n"
                  "[Classes]\r\n." + name_ + "=|" + name_ + ".Document\r\n" +
                  name_ + ".Document=|" + name_ + " Document\r\n" +
                  name_ + ".Document\\shell=|open\r\n" + name_ + ".Document\\shell\\open=|&Open\r\n" +
                  name_ + ".Document\\shell\\open\\command=|\"%0\\app.txt\" \"%%1\"\r\n"
                  "[Machine]\r\nSoftware\\" + name_ + "=Product|" + name_ + "\r\n"
                  "Software\\" + name_ + "\\Settings:1=Path|%0\r\n"
                  "Software\\" + name_ + "\\Settings:2=Version|1.0\r\n"
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name_ + ":1=DisplayName|" + name_ +
                  "\r\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name_ +
                  ":2=UninstallString|\"%0\\Setup.exe\" /U \"%0\"\r\n"
                  "[Shortcuts]\r\n" + name_ + "=7,%0\\app.txt,%0\r\n");
  }

  uiauto::MessageBoxLog Install() const { return Run(""); }
  uiauto::MessageBoxLog Uninstall(const std::function<int(const uiauto::MessageBoxInfo&)>& answer = Agree) const {
    return Run("/U " + uiauto::QuoteArg(folder_), answer);
  }

  std::string Link(const std::string& folder) const { return folder + "\\" + name_ + ".lnk"; }
  std::string GroupFolder() const { return AllUsersFolder("Programs") + "\\" + name_ + " Group"; }
  std::string SharedPath() const { return SystemFolder() + "\\" + sharedDll_; }

private:
  uiauto::MessageBoxLog Run(const std::string& arguments,
                            const std::function<int(const uiauto::MessageBoxInfo&)>& answer = Agree) const {
    auto process = set_.Start(arguments);
    if (!process) return {};
    auto log = RunToEnd(*process, answer);
    EXPECT_TRUE(log.exited) << log.ToString();
    return log;
  }

  std::string name_;
  std::string folder_;
  std::string sharedDll_;
  InstallationSet set_;
};

TEST(Uninstall, InstallThenUninstallLeavesTheMachineAsItWas) {
  Product product("RoundTrip", "RTSHARED.DLL");
  product.WriteSet();
  const PrefixSnapshot before = PrefixSnapshot::Take();

  const auto installed = product.Install();
  EXPECT_TRUE(installed.boxes.empty()) << installed.ToString();
  // Everything is in place, the way the lists say.
  EXPECT_EQ(testsupport::ReadFile(product.Installed("app.txt")), "the program of RoundTrip");
  EXPECT_EQ(SharedCount(product.SharedPath()), 1);
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, ".RoundTrip", nullptr), "RoundTrip.Document");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, "RoundTrip.Document\\shell\\open\\command", nullptr),
            "\"" + product.Installed("app.txt") + "\" \"%1\"");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "Software\\RoundTrip\\Settings", "Path"), product.folder());
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RoundTrip",
                         "UninstallString"),
            "\"" + product.Installed("Setup.exe") + "\" /U \"" + product.folder() + "\"");
  for (const std::string& folder : {product.GroupFolder(), AllUsersFolder("Startup"), AllUsersFolder("Desktop")})
    EXPECT_TRUE(testsupport::FileExists(product.Link(folder))) << folder;
  // The help engine's own files beside the manual go with it.
  testsupport::WriteFile(product.Installed("Help\\MANUAL.GID"), "made by the help engine");
  testsupport::WriteFile(product.Installed("Help\\MANUAL.FTS"), "made by the help engine");

  const auto removed = product.Uninstall();
  ASSERT_EQ(removed.boxes.size(), 2u) << removed.ToString();
  EXPECT_EQ(removed.boxes[0].box.text, "Are you sure you want to remove RoundTrip from your computer?");
  EXPECT_EQ(removed.boxes[0].box.caption, "Uninstall");
  EXPECT_EQ(removed.boxes[0].box.buttonIds, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
  EXPECT_EQ(removed.boxes[1].box.text, kUninstalled);

  // Nothing of the product is left; the shared count stays, at 0.
  const PrefixSnapshot after = PrefixSnapshot::Take();
  std::string expected;
  const std::string countEntry = "reg [hkey_local_machine\\" + std::string(kSharedDlls) + "]";
  std::string lowered = countEntry;
  CharLowerBuffA(&lowered[0], static_cast<DWORD>(lowered.size()));
  if (before.entries().count(lowered) == 0) expected += "+ " + lowered + " = key\n";
  std::string escaped;
  for (char c : product.SharedPath()) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  expected += "+ " + lowered + " \"" + escaped + "\" = dword:00000000\n";
  EXPECT_EQ(before.DifferencesTo(after), expected);
  EXPECT_EQ(SharedCount(product.SharedPath()), 0);
  EXPECT_TRUE(IsFolder(AllUsersFolder("Startup")));
  EXPECT_TRUE(IsFolder(AllUsersFolder("Desktop")));
}

TEST(Uninstall, ASharedLibraryStaysUntilTheLastProductThatUsesItGoes) {
  Product first("FirstUser", "TWOUSERS.DLL");
  Product second("SecondUser", "TWOUSERS.DLL");
  first.WriteSet(false);
  second.WriteSet(false);
  EXPECT_TRUE(first.Install().boxes.empty());
  EXPECT_TRUE(second.Install().boxes.empty());
  EXPECT_EQ(SharedCount(first.SharedPath()), 2);

  EXPECT_EQ(Texts(first.Uninstall()).back(), kUninstalled);
  EXPECT_TRUE(testsupport::FileExists(first.SharedPath()));
  EXPECT_EQ(SharedCount(first.SharedPath()), 1);
  EXPECT_FALSE(IsFolder(first.folder()));
  EXPECT_TRUE(testsupport::FileExists(second.Installed("app.txt")));

  EXPECT_EQ(Texts(second.Uninstall()).back(), kUninstalled);
  EXPECT_FALSE(testsupport::FileExists(first.SharedPath()));
  EXPECT_EQ(SharedCount(first.SharedPath()), 0);
  EXPECT_FALSE(IsFolder(second.folder()));
}

TEST(Uninstall, DecliningRemovesNothingAndALinkDeletedByHandDoesNotStopTheRemoval) {
  Product product("HandEdited", "HANDEDIT.DLL");
  product.WriteSet();
  product.Install();
  const PrefixSnapshot installed = PrefixSnapshot::Take();

  // No, and Cancel, both end the run with nothing removed.
  for (int answer : {IDNO, IDCANCEL}) {
    const auto declined = product.Uninstall([answer](const uiauto::MessageBoxInfo& box) {
      return box.caption == "Uninstall" ? answer : IDOK;
    });
    EXPECT_EQ(Texts(declined), (std::vector<std::string>{"Are you sure you want to remove HandEdited from your computer?",
                                                         "Uninstall was cancelled"}));
  }
  EXPECT_EQ(installed.DifferencesTo(PrefixSnapshot::Take()), "");

  // The user deleted the desktop link already, and edited the installed
  // Setup.dat to name only group and desktop links: the install log alone
  // says what the product put where, and a link already gone is removed.
  WritePrivateProfileStringA("Uninstall", "InstallLinks", "5", product.Installed("Setup.dat").c_str());
  ASSERT_TRUE(DeleteFileA(product.Link(AllUsersFolder("Desktop")).c_str()));
  const auto removed = product.Uninstall();
  EXPECT_EQ(Texts(removed).back(), kUninstalled);
  EXPECT_FALSE(IsFolder(product.folder()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\HandEdited"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".HandEdited"));
  EXPECT_FALSE(testsupport::FileExists(product.Link(AllUsersFolder("Startup"))));
  EXPECT_FALSE(testsupport::FileExists(product.Link(product.GroupFolder())));
  EXPECT_FALSE(IsFolder(product.GroupFolder()));
}

// A file in use when the product is removed goes at the next restart, in
// the way of the Windows that runs; the user is offered the restart.
class UninstallInUse : public testing::TestWithParam<const char*> {};

TEST_P(UninstallInUse, AFileInUseGoesAtTheRestart) {
  Product product(std::string("InUse") + GetParam(), std::string("INUSE") + GetParam() + ".DLL");
  product.WriteSet();
  product.Install();
  EmulatedWindowsVersion version(GetParam());
  HANDLE open = CreateFileA(product.Installed("app.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  const auto removed = product.Uninstall();
  CloseHandle(open);
  ASSERT_EQ(removed.boxes.size(), 3u) << removed.ToString();
  EXPECT_EQ(removed.boxes[1].box.text, kUninstalled);
  EXPECT_EQ(removed.boxes[2].box.caption, "Setup Wizard");
  EXPECT_EQ(removed.boxes[2].answer, IDNO);
  // The file waits for the restart, and so does its folder.
  EXPECT_TRUE(testsupport::FileExists(product.Installed("app.txt")));
  EXPECT_FALSE(testsupport::FileExists(product.Installed("Setup.dat")));
  EXPECT_FALSE(IsFolder(product.Installed("Help")));
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string wininit = testsupport::ReadFile(std::string(windows) + "\\WININIT.INI");
  char shortPath[MAX_PATH] = "";
  GetShortPathNameA(product.Installed("app.txt").c_str(), shortPath, MAX_PATH);
  if (std::string(GetParam()) == "win95") {
    EXPECT_NE(wininit.find(std::string("NUL=") + shortPath + "\r\n"), std::string::npos) << wininit;
  } else {
    EXPECT_EQ(wininit.find(shortPath), std::string::npos) << wininit;
  }
  DeleteFileA(product.Installed("app.txt").c_str());
  RemoveDirectoryA(product.folder().c_str());
}

INSTANTIATE_TEST_SUITE_P(Windows, UninstallInUse, testing::Values("nt40", "win95"));

}  // namespace
}  // namespace e2e
