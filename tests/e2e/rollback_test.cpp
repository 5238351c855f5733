// A cancelled or failed installation puts the machine back as it was:
// replaced files come back byte for byte, counts, keys, values and links
// as they stood, and nothing the run made is left, wherever it stopped.
#include <gtest/gtest.h>

#include "e2e/prefix_snapshot.h"
#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kFailed[] =
    "Installation failed, or was cancelled. The files that have been installed will now be removed from your "
    "computer.";

void SetRegistryText(const std::string& key, const char* name, const std::string& value) {
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

// Where the installation stops.
enum class StopAt { FirstFile, MiddleFile, LastFile, AfterDeferredFile, Shortcuts };

struct Case {
  StopAt stop;
  const char* name;
  const char* windows;  // the version Setup.exe sees; empty: Wine's own
};

class Rollback : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    // A machine that already holds an older installation of some of it.
    CreateDirectoryA(folder_.c_str(), nullptr);
    testsupport::WriteFile(folder_ + "\\keep.dll", "the version already installed");
    testsupport::WriteFile(folder_ + "\\other.txt", "another file of the old version");
    testsupport::WriteFile(folder_ + "\\busy.dll", "a library in use");
    const DWORD three = 3;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSharedDlls, (folder_ + "\\keep.dll").c_str(), REG_DWORD, &three, sizeof three);
    SetRegistryText("Software\\RollbackCo\\Settings", "Path", "the old path");
    SetRegistryText("Software\\RollbackCo\\Settings", "Other", "not ours");
    testsupport::WriteFile(AllUsersFolder("Desktop") + "\\Rollback App.lnk", "the link that was there");
  }

  void TearDown() override {
    testsupport::RemoveTree(folder_);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\RollbackCo\\Settings");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\RollbackCo");
    HKEY counts = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, &counts) == ERROR_SUCCESS) {
      RegDeleteValueA(counts, (folder_ + "\\keep.dll").c_str());
      RegCloseKey(counts);
    }
    DeleteFileA((AllUsersFolder("Desktop") + "\\Rollback App.lnk").c_str());
  }

  void WriteSet(StopAt stop) {
    set_.Write("keep.dll", "the new version");
    set_.Write("a.txt", "a new file in new folders");
    set_.Write("other.txt", "the new other");
    set_.Write("busy.dll", "the new busy library");
    set_.Write("last.txt", "the last file");
    const std::string missing = "missing.txt=%0\\missing.txt,5,0,Missing\r\n";
    std::string files;
    if (stop == StopAt::FirstFile) files += missing;
    files += "keep.dll=%0\\keep.dll,15,1,Kept\r\na.txt=%0\\data\\deep\\a.txt,25,0,New\r\n";
    if (stop == StopAt::MiddleFile) files += missing;
    files += "other.txt=%0\\other.txt,13,0,Other\r\n";
    if (stop == StopAt::AfterDeferredFile) files += "busy.dll=%0\\busy.dll,20,0,Busy\r\n";
    files += "last.txt=%0\\last.txt,13,0,Last\r\n";
    if (stop == StopAt::LastFile || stop == StopAt::AfterDeferredFile) files += missing;
    std::string shortcuts = "Rollback App=5,%0\\keep.dll,%0\r\n";
    // A name no file may have: the second shortcut cannot be saved.
    if (stop == StopAt::Shortcuts) shortcuts += "Bad?Name=1,%0\\keep.dll,%0\r\n";
    set_.Write("Setup.dat", "[Setup]\r\nTitle=Rollback\r\nDefaultFolder=" + folder_ +
                                "\r\nDefaultGroup=Rollback Group\r\nGroup=1\r\nDesktop=1\r\nFiles=Files\r\n"
                                "RegClasses=Classes\r\nRegMachine=Machine\r\nShortcuts=Shortcuts\r\n[Files]\r\n" +
                                files +
                                "[Classes]\r\n.rollback=|Rollback.Document\r\n"
                                "[Machine]\r\nSoftware\\RollbackCo\\Settings:1=Path|%0\r\n"
                                "Software\\RollbackCo\\Settings:2=Version|2.0\r\n"
                                "Software\\RollbackCo\\New\\Deeper=Value|x\r\n"
                                "[Shortcuts]\r\n" +
                                shortcuts);
  }

  InstallationSet set_;
  std::string folder_ = ProgramFiles() + "\\Rollback Test";
};

TEST_P(Rollback, PutsTheMachineBackAsItWas) {
  const StopAt stop = GetParam().stop;
  EmulatedWindowsVersion windows(GetParam().windows);
  WriteSet(stop);
  const PrefixSnapshot before = PrefixSnapshot::Take();
  HANDLE busy = INVALID_HANDLE_VALUE;
  if (stop == StopAt::AfterDeferredFile) {
    busy = CreateFileA((folder_ + "\\busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  }

  auto process = set_.Start();
  ASSERT_TRUE(process);
  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.WalkWithDefaults()) << wizard.Failure();
  if (stop == StopAt::AfterDeferredFile) {
    auto inUse = uiauto::WaitForDialog(*process, folder_ + "\\busy.dll", 30000);
    ASSERT_TRUE(inUse) << uiauto::Describe(*process);
    ASSERT_TRUE(uiauto::ClickButton(*inUse, IDC_IGNORE));
  }
  auto main = WaitForMainWindow(*process);
  ASSERT_TRUE(main);
  if (stop != StopAt::Shortcuts) {
    auto question = uiauto::WaitForDialog(*process, folder_ + "\\missing.txt", 30000);
    ASSERT_TRUE(question) << uiauto::Describe(*process);
    // Closing the main window under the question must not end the run
    // from under the pass.
    uiauto::Close(*main);
    Sleep(300);
    EXPECT_TRUE(process->IsRunning());
    EXPECT_TRUE(IsWindow(*question));
    ASSERT_TRUE(uiauto::ClickButton(*question, IDCANCEL));
  }
  // Nor under the failure message, with the rollback still to come.
  const auto log = RunToEnd(*process, [&](const uiauto::MessageBoxInfo&) {
    uiauto::Close(*main);
    Sleep(300);
    return IDOK;
  });
  ASSERT_TRUE(log.exited) << log.ToString();
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.text, kFailed);
  // The user's Cancel ends the run as cancelled; a link that cannot be
  // saved, as failed.
  EXPECT_EQ(log.exitCode, stop == StopAt::Shortcuts ? 1603u : 1602u);
  if (busy != INVALID_HANDLE_VALUE) CloseHandle(busy);

  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");
  EXPECT_EQ(testsupport::ReadFile(folder_ + "\\keep.dll"), "the version already installed");
  EXPECT_EQ(testsupport::ReadFile(AllUsersFolder("Desktop") + "\\Rollback App.lnk"), "the link that was there");
}

TEST(RollbackOfARecord, AnUninstallRecordThatCannotBeWrittenFailsTheInstallation) {
  InstallationSet set;
  testsupport::TempFolder target;
  // Something that is no file holds the name of the installed Setup.dat.
  ASSERT_TRUE(CreateDirectoryA(target.Join("Setup.dat").c_str(), nullptr));
  set.Write("app.txt", "the program");
  set.Write("Setup.dat", "[Setup]\r\nTitle=No Record\r\nDefaultFolder=" + target.path() +
                             "\r\nFiles=Files\r\n[Files]\r\napp.txt=%0\\sub\\app.txt,11,0,Program\r\n");
  auto process = set.Start();
  ASSERT_TRUE(process);
  const auto log = RunToEnd(*process, [](const uiauto::MessageBoxInfo&) { return IDOK; });
  ASSERT_TRUE(log.exited) << log.ToString();
  ASSERT_EQ(log.boxes.size(), 2u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.text, Report("The uninstall information cannot be written to the installation folder."));
  EXPECT_EQ(log.boxes[1].box.text, kFailed);
  EXPECT_FALSE(testsupport::FileExists(target.Join("sub")));
}

INSTANTIATE_TEST_SUITE_P(Stops, Rollback,
                         testing::Values(Case{StopAt::FirstFile, "AtTheFirstFile", ""},
                                         Case{StopAt::MiddleFile, "HalfWay", ""},
                                         Case{StopAt::LastFile, "AtTheLastFile", ""},
                                         Case{StopAt::AfterDeferredFile, "AfterADeferredFile", "nt40"},
                                         Case{StopAt::AfterDeferredFile, "AfterADeferredFileOnWindows95", "win95"},
                                         Case{StopAt::Shortcuts, "InTheShortcutPass", ""}),
                         [](const testing::TestParamInfo<Case>& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace e2e
