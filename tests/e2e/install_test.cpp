// Installation runs of the real Setup.exe: the files arrive, the installed
// copy of Setup.dat records the choices, and a file the user gives up on
// ends in the failure message.
#include <gtest/gtest.h>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"
#include "support/pending_renames.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 60000;

std::string ProfileValue(const std::string& file, const char* section, const char* key) {
  char value[256] = {};
  GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, file.c_str());
  return value;
}

class InstallRun : public testing::Test {
protected:
  InstallationSet set_;
  std::string target_ = set_.Join("Target Folder");

  void WriteSet(const std::string& files) {
    set_.Write("Setup.dat", "[Setup]\r\nTitle=Install Demo\r\nDefaultGroup=Demo Group\r\nGroup=1\r\nDesktop=1\r\n"
                            "DefaultFolder=" + target_ + "\r\nFiles=Files\r\n[Files]\r\n" + files);
  }
};

TEST_F(InstallRun, CopiesTheFilesAndRecordsTheUninstallInformation) {
  set_.Write("one.txt", "first file");
  set_.Write("two.bin", std::string(5000, '\x7f'));
  WriteSet("one.txt=%0\\one.txt,10,0,First\r\ntwo.bin=%0\\sub\\deeper\\two.bin,5000,0,Second\r\n");
  auto process = set_.Start();
  ASSERT_TRUE(process);
  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.WalkWithDefaults()) << wizard.Failure();
  ASSERT_TRUE(AcceptCompletion(*process)) << wizard.Failure();
  const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
  ASSERT_TRUE(log.exited) << log.ToString() << uiauto::Describe(*process);
  EXPECT_EQ(log.exitCode, 0u);
  EXPECT_TRUE(log.boxes.empty()) << log.ToString();

  EXPECT_EQ(testsupport::ReadFile(target_ + "\\one.txt"), "first file");
  EXPECT_EQ(testsupport::ReadFile(target_ + "\\sub\\deeper\\two.bin"), std::string(5000, '\x7f'));
  const std::string installedDat = target_ + "\\Setup.dat";
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallFolder"), target_);
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallGroup"), "Demo Group");
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallLinks"), "5");
  // The set's own information file is left as it was.
  EXPECT_EQ(ProfileValue(set_.Join("Setup.dat"), "Uninstall", "InstallFolder"), "<absent>");
}

TEST_F(InstallRun, CancellingAMissingFileEndsInTheFailureMessageAsCancelled) {
  set_.Write("here.txt", "here");
  WriteSet("here.txt=%0\\here.txt,4,0,Present\r\nmissing.txt=%0\\missing.txt,7,0,Missing\r\n");
  auto process = set_.Start();
  ASSERT_TRUE(process);
  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.WalkWithDefaults()) << wizard.Failure();

  // The file error dialog names the destination in its caption.
  auto dialog = uiauto::WaitForDialog(*process, target_ + "\\missing.txt", 30000);
  ASSERT_TRUE(dialog) << uiauto::Describe(*process);
  // A source that cannot be opened offers only Skip and Cancel.
  EXPECT_TRUE(uiauto::IsControlVisible(*dialog, IDC_SKIP).value_or(false));
  EXPECT_TRUE(uiauto::IsControlVisible(*dialog, IDCANCEL).value_or(false));
  for (int hidden : {IDC_REPLACE, IDC_RETRY, IDC_IGNORE})
    EXPECT_FALSE(uiauto::IsControlVisible(*dialog, hidden).value_or(true)) << hidden;
  // While it asks, the progress window shows the file being installed.
  uiauto::WindowFilter progressFilter = uiauto::DialogFilter("Setup");
  auto progress = uiauto::FindTopLevelWindow(process->Id(), progressFilter);
  ASSERT_TRUE(progress) << uiauto::Describe(*process);
  EXPECT_EQ(uiauto::ControlText(*progress, IDC_PROGRESS_DESCRIPTION).value_or(""), "Missing");
  // Long paths show their first 9 and last 37 characters.
  const std::string path = target_ + "\\missing.txt";
  ASSERT_GT(path.size(), 50u);
  EXPECT_EQ(uiauto::ControlText(*progress, IDC_PROGRESS_FILE).value_or(""),
            path.substr(0, 9) + "..." + path.substr(path.size() - 37));
  ASSERT_TRUE(uiauto::ClickButton(*dialog, IDCANCEL));

  const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
  ASSERT_TRUE(log.exited) << log.ToString();
  // The user's own Cancel: the rollback follows, and the run ends as
  // cancelled, not as failed.
  EXPECT_EQ(log.exitCode, 1602u);
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.text,
            "Installation failed, or was cancelled. The files that have been installed will now be removed from "
            "your computer.");
  EXPECT_FALSE(testsupport::FileExists(target_ + "\\missing.txt"));
  EXPECT_FALSE(testsupport::FileExists(target_ + "\\Setup.dat"));
}

// A file in use that the system refuses to replace at the restart (the
// user may not write the list of pending operations) is not installed: the
// user hears of it and chooses, and no restart is counted on.
TEST_F(InstallRun, AReplacementTheSystemRefusesIsPutToTheUser) {
  set_.Write("busy.dll", "the new library");
  set_.Write("after.txt", "after");
  WriteSet("busy.dll=%0\\busy.dll,15,0,Busy\r\nafter.txt=%0\\after.txt,5,0,After\r\n");
  CreateDirectoryA(target_.c_str(), nullptr);
  const std::string busyPath = target_ + "\\busy.dll";
  testsupport::WriteFile(busyPath, "the library in use");
  const std::wstring pendingBefore = testsupport::ReadPendingRenames();
  testsupport::PendingRenamesRefused refused;
  ASSERT_TRUE(refused.refused());
  HANDLE busy = CreateFileA(busyPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);

  for (const int answer : {IDC_SKIP, IDCANCEL}) {
    auto process = set_.Start();
    ASSERT_TRUE(process);
    WizardDriver wizard(*process);
    ASSERT_TRUE(wizard.WalkWithDefaults()) << wizard.Failure();
    auto inUse = uiauto::WaitForDialog(*process, busyPath, 30000);
    ASSERT_TRUE(inUse) << uiauto::Describe(*process);
    ASSERT_TRUE(uiauto::IsControlVisible(*inUse, IDC_IGNORE).value_or(false));
    ASSERT_TRUE(uiauto::ClickButton(*inUse, IDC_IGNORE));
    // The same file again, now with nothing left to try but Skip or Cancel.
    std::optional<HWND> refusedQuestion;
    for (int tries = 0; tries < 300 && !refusedQuestion; ++tries) {
      Sleep(100);
      auto shown = uiauto::WaitForDialog(*process, busyPath, 100);
      if (shown && *shown != *inUse && uiauto::IsControlVisible(*shown, IDC_SKIP).value_or(false) &&
          !uiauto::IsControlVisible(*shown, IDC_IGNORE).value_or(true))
        refusedQuestion = shown;
    }
    ASSERT_TRUE(refusedQuestion) << uiauto::Describe(*process);
    EXPECT_TRUE(uiauto::IsControlVisible(*refusedQuestion, IDCANCEL).value_or(false));
    EXPECT_FALSE(uiauto::IsControlVisible(*refusedQuestion, IDC_RETRY).value_or(true));
    ASSERT_TRUE(uiauto::ClickButton(*refusedQuestion, answer));
    const auto log = RunToEnd(*process, [](const uiauto::MessageBoxInfo&) { return IDOK; });
    ASSERT_TRUE(log.exited) << log.ToString();
    if (answer == IDC_SKIP) {
      // Skipped: the old file stays, the rest is installed, and no restart
      // is asked for or announced.
      EXPECT_EQ(log.exitCode, 0u);
      EXPECT_TRUE(log.boxes.empty()) << log.ToString();
      EXPECT_EQ(testsupport::ReadFile(target_ + "\\after.txt"), "after");
    } else {
      EXPECT_EQ(log.exitCode, 1602u);
      ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
      EXPECT_FALSE(testsupport::FileExists(target_ + "\\after.txt"));
    }
    WIN32_FIND_DATAA found;
    HANDLE staged = FindFirstFileA((target_ + "\\QWI*").c_str(), &found);
    EXPECT_EQ(staged, INVALID_HANDLE_VALUE) << found.cFileName;
    if (staged != INVALID_HANDLE_VALUE) FindClose(staged);
    EXPECT_TRUE(testsupport::ReadPendingRenames() == pendingBefore);
    DeleteFileA((target_ + "\\after.txt").c_str());
    DeleteFileA((target_ + "\\Setup.dat").c_str());
  }
  CloseHandle(busy);
  EXPECT_EQ(testsupport::ReadFile(busyPath), "the library in use");
}

TEST_F(InstallRun, AnUnexpandableItemIsReportedBeforeAnythingIsInstalled) {
  set_.Write("a.txt", "a");
  // A file line without a destination cannot be expanded.
  WriteSet("a.txt=%0\\a.txt,1,0,A\r\nb.txt=\r\n");
  auto process = set_.Start();
  ASSERT_TRUE(process);
  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.WalkWithDefaults()) << wizard.Failure();
  const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
  ASSERT_TRUE(log.exited);
  EXPECT_EQ(log.exitCode, 1603u);
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.text, Report("Failed to expand installation variable."));
  EXPECT_FALSE(testsupport::FileExists(target_ + "\\a.txt"));
}

}  // namespace
}  // namespace e2e
