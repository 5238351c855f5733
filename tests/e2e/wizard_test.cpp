// The wizard of the real Setup.exe, page by page: the order and the
// buttons, the folder page's checks and figures, the shortcut choices, the
// skipped and the visited group page, and what the choices become.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cstdlib>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

using uiauto::MessageBoxIcon;

const DWORD kRunTimeoutMs = 60000;

std::string ProfileValue(const std::string& file, const char* section, const char* key) {
  char value[256] = {};
  GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, file.c_str());
  return value;
}

// Kb figure of a "%lu Kb" text, or -1.
long long KbOf(const std::string& text) {
  if (text.size() < 4 || text.compare(text.size() - 3, 3, " Kb") != 0) return -1;
  return std::strtoll(text.c_str(), nullptr, 10);
}

// A drive letter for a folder whose file system has no free space at all
// (/proc), so that any installation is too big for it; made the way Wine's
// own configuration tool makes drives, and gone with the object.
class FullDrive {
 public:
  FullDrive() { defined_ = Define("/proc"); }
  ~FullDrive() {
    if (defined_) Define(nullptr);
  }
  bool usable() const {
    ULARGE_INTEGER available, total, free;
    return defined_ && GetDiskFreeSpaceExA("P:\\", &available, &total, &free) && free.QuadPart == 0;
  }

 private:
  // Wine's mount manager request that maps a drive letter to a Unix folder.
  struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
  };

  static bool Define(const char* unixPath) {
    uiauto::UniqueHandle manager(CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager) return false;
    char buffer[sizeof(UnixDrive) + 16] = {};
    if (unixPath && lstrlenA(unixPath) >= 16) return false;
    auto request = reinterpret_cast<UnixDrive*>(buffer);
    request->size = sizeof(UnixDrive);
    request->letter = L'p';
    if (unixPath) {
      request->type = DRIVE_FIXED;
      request->mountPointOffset = sizeof(UnixDrive);
      lstrcpynA(buffer + sizeof(UnixDrive), unixPath, 16);
      request->size += lstrlenA(unixPath) + 1;
    }
    const DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
    DWORD returned = 0;
    const bool done =
        DeviceIoControl(manager.get(), kDefineUnixDrive, buffer, request->size, nullptr, 0, &returned, nullptr) != 0;
    return done;
  }

  bool defined_ = false;
};

class Wizard : public testing::Test {
 protected:
  InstallationSet set_;
  std::string target_ = set_.Join("Demo Target");
  std::string programs_ = AllUsersFolder("Programs");
  std::string startup_ = AllUsersFolder("Startup");
  std::string desktop_ = AllUsersFolder("Desktop");

  // A product "Demo" with one file of `declaredBytes` and one shortcut
  // offered in every place; `links` holds the Group, Desktop and Startup
  // lines.
  void WriteSet(const std::string& links, const std::string& declaredBytes = "4") {
    set_.Write("demo.txt", "demo");
    set_.Write("Setup.dat", "[Setup]\r\nTitle=Demo Setup\r\nApp=Demo\r\nDefaultGroup=Demo Group\r\n" + links +
                                "DefaultFolder=" + target_ +
                                "\r\nFiles=Files\r\nShortcuts=Links\r\n[Files]\r\ndemo.txt=%0\\demo.txt," +
                                declaredBytes + ",0,Demo text\r\n[Links]\r\nDemo Notes=7,%0\\demo.txt,%0\r\n");
  }

  void TearDown() override {
    testsupport::RemoveTree(programs_ + "\\Demo Group");
    testsupport::RemoveTree(programs_ + "\\Tools");
    DeleteFileA((startup_ + "\\Demo Notes.lnk").c_str());
    DeleteFileA((desktop_ + "\\Demo Notes.lnk").c_str());
  }

  // Starts Setup.exe on the set and waits for the wizard's welcome page.
  void StartAtWelcome() {
    wizard_.reset();
    process_ = set_.Start();
    ASSERT_TRUE(process_);
    wizard_.emplace(*process_);
    ASSERT_TRUE(wizard_->Appear() && wizard_->WaitFor(WizardPage::Welcome)) << wizard_->Failure();
  }
  std::optional<uiauto::Process> process_;
  std::optional<WizardDriver> wizard_;

  void ExpectNothingInstalled() {
    EXPECT_FALSE(testsupport::FileExists(target_ + "\\demo.txt"));
    EXPECT_FALSE(testsupport::FileExists(programs_ + "\\Demo Group\\Demo Notes.lnk"));
  }
};

void ExpectPageMessage(const std::optional<uiauto::MessageBoxInfo>& box, const std::string& text) {
  ASSERT_TRUE(box) << uiauto::LastError();
  EXPECT_EQ(box->text, text);
  EXPECT_EQ(box->caption, "Setup Wizard");
  EXPECT_EQ(box->buttonIds, std::vector<int>{IDOK});
  EXPECT_EQ(box->icon, MessageBoxIcon::Information) << uiauto::ToString(box->icon);
}

TEST_F(Wizard, FolderPageChecksAndFiguresThenTheGroupIsSkippedAndEscapeCancels) {
  WriteSet("Group=1\r\nDesktop=1\r\nStartup=1\r\n", "5000000");
  ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
  const auto& process = process_;
  WizardDriver& wizard = *wizard_;
  const HWND sheet = wizard.sheet();
  // No way back from the first page; Enter is Next.
  EXPECT_TRUE(wizard.ButtonBecomes(kBackButton, true, false));
  EXPECT_TRUE(wizard.ButtonBecomes(kNextButton, true, true));
  // The main window cannot be closed from under the wizard (End task asks
  // it politely): the wizard is how the run is left.
  const auto main = WaitForMainWindow(*process);
  ASSERT_TRUE(main);
  ASSERT_TRUE(uiauto::Close(*main));
  Sleep(300);
  ASSERT_TRUE(process->IsRunning());
  EXPECT_TRUE(IsWindowVisible(sheet));
  ASSERT_TRUE(wizard.PressKey(VK_RETURN));
  ASSERT_TRUE(wizard.WaitFor(WizardPage::Folder)) << wizard.Failure();

  // The folder from Setup.dat, the declared bytes and the drive's true free
  // space, however large the drive.
  EXPECT_EQ(uiauto::ControlText(sheet, IDC_FOLDER_EDIT).value_or(""), target_);
  EXPECT_EQ(uiauto::ControlText(sheet, IDC_SPACE_REQUIRED).value_or(""), "4882 Kb");
  ULARGE_INTEGER available, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExA(target_.substr(0, 3).c_str(), &available, &total, &free));
  const long long shownKb = KbOf(uiauto::ControlText(sheet, IDC_SPACE_AVAILABLE).value_or(""));
  const long long trueKb = static_cast<long long>(free.QuadPart / 1024);
  EXPECT_NEAR(static_cast<double>(shownKb), static_cast<double>(trueKb), trueKb * 0.01 + 1024)
      << uiauto::ControlText(sheet, IDC_SPACE_AVAILABLE).value_or("");
  EXPECT_TRUE(wizard.ButtonBecomes(kBackButton, true, true));

  // Leaving by Back is checked as well as by Next.
  ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_FOLDER_EDIT, ""));
  ExpectPageMessage(wizard.PressExpectingMessage(kBackButton), "You must provide a folder to install to");
  EXPECT_TRUE(wizard.WaitFor(WizardPage::Folder));
  ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_FOLDER_EDIT, "\\\\server\\share\\Demo"));
  ExpectPageMessage(wizard.PressExpectingMessage(kNextButton), "Folder is not valid");
  EXPECT_TRUE(wizard.WaitFor(WizardPage::Folder));

  // Too little space only warns.
  FullDrive full;
  if (full.usable()) {
    ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_FOLDER_EDIT, "P:\\Demo"));
    EXPECT_TRUE(uiauto::WaitUntil([&] { return uiauto::ControlText(sheet, IDC_SPACE_AVAILABLE) == "0 Kb"; }, 5000));
    ExpectPageMessage(wizard.PressExpectingMessage(kNextButton),
                      "There may not be enough space on the drive to install to");
    ASSERT_TRUE(wizard.WaitFor(WizardPage::Shortcuts)) << wizard.Failure();
    // Coming back shows what was taken.
    ASSERT_TRUE(wizard.Press(kBackButton, WizardPage::Folder));
    EXPECT_EQ(uiauto::ControlText(sheet, IDC_FOLDER_EDIT).value_or(""), "P:\\Demo");
  } else {
    ADD_FAILURE() << "no drive without free space could be made";
  }
  ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_FOLDER_EDIT, target_));
  ASSERT_TRUE(wizard.Next(WizardPage::Shortcuts)) << wizard.Failure();

  // Every choice offered and ticked; the Startup box names the product.
  for (int box : {IDC_LINK_GROUP, IDC_LINK_STARTUP, IDC_LINK_DESKTOP}) {
    EXPECT_EQ(uiauto::IsControlVisible(sheet, box), std::optional<bool>(true)) << box;
    EXPECT_EQ(uiauto::IsChecked(sheet, box), std::optional<bool>(true)) << box;
  }
  EXPECT_EQ(uiauto::ControlText(sheet, IDC_LINK_STARTUP).value_or(""), "Launch Demo at Windows startup");
  // Without Start-menu shortcuts there is no group to choose.
  ASSERT_TRUE(uiauto::SetChecked(sheet, IDC_LINK_GROUP, false));
  ASSERT_TRUE(wizard.Next(WizardPage::Ready)) << wizard.Failure();
  EXPECT_FALSE(wizard.IsShown(WizardPage::Group));

  // The ready page is left by Install or Cancel only.
  EXPECT_TRUE(wizard.ButtonBecomes(kFinishButton, true, true));
  EXPECT_EQ(uiauto::ControlText(sheet, kFinishButton).value_or(""), "Install");
  EXPECT_TRUE(wizard.ButtonBecomes(kBackButton, false, false));
  EXPECT_TRUE(wizard.ButtonBecomes(kNextButton, false, false));

  // Escape is Cancel: the run ends without a word and installs nothing.
  ASSERT_TRUE(wizard.PressKey(VK_ESCAPE));
  const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
  ASSERT_TRUE(log.exited) << log.ToString();
  EXPECT_EQ(log.exitCode, 1602u);
  EXPECT_TRUE(log.boxes.empty()) << log.ToString();
  ExpectNothingInstalled();
  EXPECT_FALSE(testsupport::FileExists(target_));
}

TEST_F(Wizard, CancelOnAnyPageEndsTheRunWithNothingInstalled) {
  WriteSet("Group=1\r\nDesktop=1\r\nStartup=1\r\n");
  const WizardPage pages[] = {WizardPage::Welcome, WizardPage::Folder, WizardPage::Shortcuts, WizardPage::Group,
                              WizardPage::Ready};
  for (int stop = 0; stop < 5; ++stop) {
    ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
    const auto& process = process_;
    WizardDriver& wizard = *wizard_;
    for (int page = 1; page <= stop; ++page) ASSERT_TRUE(wizard.Next(pages[page])) << NameOf(pages[page]);
    ASSERT_TRUE(uiauto::ClickButton(wizard.sheet(), IDCANCEL));
    const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
    ASSERT_TRUE(log.exited) << NameOf(pages[stop]) << log.ToString();
    EXPECT_TRUE(log.boxes.empty()) << NameOf(pages[stop]) << log.ToString();
    ExpectNothingInstalled();
  }
}

TEST_F(Wizard, TheChosenFolderGroupAndShortcutsAreWhatGetsInstalledAndRecorded) {
  // Desktop shortcuts are not on offer in this product.
  WriteSet("Group=1\r\nDesktop=0\r\nStartup=1\r\n");
  const std::string changed = set_.Join("Changed Folder");
  ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
  const auto& process = process_;
  WizardDriver& wizard = *wizard_;
  const HWND sheet = wizard.sheet();
  ASSERT_TRUE(wizard.Next(WizardPage::Folder));
  ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_FOLDER_EDIT, changed));
  ASSERT_TRUE(wizard.Next(WizardPage::Shortcuts));

  EXPECT_EQ(uiauto::IsControlVisible(sheet, IDC_LINK_DESKTOP), std::optional<bool>(false));
  EXPECT_EQ(uiauto::IsChecked(sheet, IDC_LINK_DESKTOP), std::optional<bool>(false));
  ASSERT_TRUE(uiauto::SetChecked(sheet, IDC_LINK_STARTUP, false));
  ASSERT_TRUE(wizard.Next(WizardPage::Group));
  // The choices made are kept when the user comes back.
  ASSERT_TRUE(wizard.Press(kBackButton, WizardPage::Shortcuts));
  EXPECT_EQ(uiauto::IsChecked(sheet, IDC_LINK_STARTUP), std::optional<bool>(false));
  EXPECT_EQ(uiauto::IsChecked(sheet, IDC_LINK_GROUP), std::optional<bool>(true));
  ASSERT_TRUE(wizard.Next(WizardPage::Group));

  EXPECT_EQ(uiauto::ControlText(sheet, IDC_GROUP_EDIT).value_or(""), "Demo Group");
  ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_GROUP_EDIT, ""));
  ExpectPageMessage(wizard.PressExpectingMessage(kNextButton), "You must provide a group");
  EXPECT_TRUE(wizard.WaitFor(WizardPage::Group));
  ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_GROUP_EDIT, "Tools\\Demo"));
  ASSERT_TRUE(wizard.Next(WizardPage::Ready));
  ASSERT_TRUE(wizard.Install()) << wizard.Failure();
  ASSERT_TRUE(AcceptCompletion(*process)) << wizard.Failure();
  const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
  ASSERT_TRUE(log.exited) << log.ToString();
  EXPECT_TRUE(log.boxes.empty()) << log.ToString();

  EXPECT_EQ(testsupport::ReadFile(changed + "\\demo.txt"), "demo");
  EXPECT_FALSE(testsupport::FileExists(target_));
  const std::string installedDat = changed + "\\Setup.dat";
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallFolder"), changed);
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallGroup"), "Tools\\Demo");
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallLinks"), "1");
  EXPECT_TRUE(testsupport::FileExists(programs_ + "\\Tools\\Demo\\Demo Notes.lnk"));
  EXPECT_FALSE(testsupport::FileExists(startup_ + "\\Demo Notes.lnk"));
  EXPECT_FALSE(testsupport::FileExists(desktop_ + "\\Demo Notes.lnk"));
}

// Help opens the set's own help file: without one there is nothing to
// open, and no page offers it.
TEST_F(Wizard, HelpIsOfferedOnEveryPageOnlyWhenTheSetShipsItsHelpFile) {
  WriteSet("Group=1\r\n");
  for (const bool shipped : {false, true}) {
    SCOPED_TRACE(shipped ? "with the help file" : "without it");
    if (shipped) set_.Write("Wizsetup.hlp", "a help file");
    ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
    WizardDriver& wizard = *wizard_;
    const WizardPage pages[] = {WizardPage::Folder, WizardPage::Shortcuts, WizardPage::Group, WizardPage::Ready};
    EXPECT_EQ(uiauto::IsControlVisible(wizard.sheet(), IDHELP), std::optional<bool>(shipped)) << "welcome";
    for (const WizardPage page : pages) {
      ASSERT_TRUE(wizard.Next(page)) << wizard.Failure();
      EXPECT_EQ(uiauto::IsControlVisible(wizard.sheet(), IDHELP), std::optional<bool>(shipped)) << NameOf(page);
    }
    ASSERT_TRUE(wizard.Install()) << wizard.Failure();
    ASSERT_TRUE(AcceptCompletion(*process_)) << wizard.Failure();
    ASSERT_TRUE(process_->WaitForExit(60000));
    testsupport::RemoveTree(target_);
    TearDown();
  }
}

TEST_F(Wizard, OnlyTheOfferedChoicesShowAndWithoutAGroupThereIsNoGroupPage) {
  WriteSet("Group=0\r\nDesktop=1\r\nStartup=0\r\n");
  ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
  const auto& process = process_;
  WizardDriver& wizard = *wizard_;
  const HWND sheet = wizard.sheet();
  ASSERT_TRUE(wizard.Next(WizardPage::Folder));
  ASSERT_TRUE(wizard.Next(WizardPage::Shortcuts));
  EXPECT_EQ(uiauto::IsControlVisible(sheet, IDC_LINK_GROUP), std::optional<bool>(false));
  EXPECT_EQ(uiauto::IsControlVisible(sheet, IDC_LINK_STARTUP), std::optional<bool>(false));
  EXPECT_EQ(uiauto::IsControlVisible(sheet, IDC_LINK_DESKTOP), std::optional<bool>(true));
  EXPECT_EQ(uiauto::IsChecked(sheet, IDC_LINK_DESKTOP), std::optional<bool>(true));
  ASSERT_TRUE(wizard.Next(WizardPage::Ready));
  ASSERT_TRUE(wizard.Install()) << wizard.Failure();
  ASSERT_TRUE(AcceptCompletion(*process)) << wizard.Failure();
  const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
  ASSERT_TRUE(log.exited) << log.ToString();
  EXPECT_TRUE(log.boxes.empty()) << log.ToString();

  EXPECT_EQ(ProfileValue(target_ + "\\Setup.dat", "Uninstall", "InstallLinks"), "4");
  EXPECT_TRUE(testsupport::FileExists(desktop_ + "\\Demo Notes.lnk"));
  EXPECT_FALSE(testsupport::FileExists(programs_ + "\\Demo Group\\Demo Notes.lnk"));
  EXPECT_FALSE(testsupport::FileExists(startup_ + "\\Demo Notes.lnk"));
}

}  // namespace
}  // namespace e2e
