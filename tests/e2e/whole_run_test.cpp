// The example product from start to end, under each Windows the program
// is made for: licence, wizard, install, completion starting the editor,
// then the uninstall, which waits for the editor to be closed.
#include <gtest/gtest.h>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 120000;
const char kEditorClass[] = "ExampleEditorWindow";

std::string ProfileValue(const std::string& file, const char* section, const char* key) {
  char value[256] = {};
  GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, file.c_str());
  return value;
}

std::optional<std::string> MachineValue(const char* path, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  char value[MAX_PATH] = {};
  DWORD size = sizeof value - 1;
  const LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return std::nullopt;
  return std::string(value);
}

class WholeRun : public testing::TestWithParam<const char*> {};

TEST_P(WholeRun, InstallThenUninstallTheExampleProduct) {
  EmulatedWindowsVersion version(GetParam());
  InstallationSet set;
  CopyExampleSet(set);
  const std::string folder = set.Join("Example Editor");
  const std::string group = AllUsersFolder("Programs") + "\\Example Editor";

  auto process = set.Start();
  ASSERT_TRUE(process);
  auto licence = uiauto::WaitForDialog(*process, "License Agreement", 30000);
  ASSERT_TRUE(licence) << uiauto::Describe(*process);
  EXPECT_NE(uiauto::ControlText(*licence, IDC_LICENSE_TEXT).value_or("").find("Example Editor"), std::string::npos);
  ASSERT_TRUE(uiauto::ClickButton(*licence, IDOK));

  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.Appear() && wizard.WaitFor(WizardPage::Welcome)) << wizard.Failure();
  const HWND sheet = wizard.sheet();
  ASSERT_TRUE(wizard.Next(WizardPage::Folder));
  EXPECT_NE(uiauto::ControlText(sheet, IDC_FOLDER_EDIT).value_or("").find("\\Example Editor"), std::string::npos);
  ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_FOLDER_EDIT, folder));
  ASSERT_TRUE(wizard.Next(WizardPage::Shortcuts));
  // The example offers no Startup shortcut.
  EXPECT_EQ(uiauto::IsControlVisible(sheet, IDC_LINK_STARTUP), std::optional<bool>(false));
  ASSERT_TRUE(uiauto::SetChecked(sheet, IDC_LINK_DESKTOP, false));
  ASSERT_TRUE(wizard.Next(WizardPage::Group));
  EXPECT_EQ(uiauto::ControlText(sheet, IDC_GROUP_EDIT).value_or(""), "Example Editor");
  ASSERT_TRUE(wizard.Next(WizardPage::Ready));
  ASSERT_TRUE(wizard.Install()) << wizard.Failure();

  // Start the editor, leave the release notes closed.
  auto completion = WaitForCompletion(*process, 60000);
  ASSERT_TRUE(completion) << uiauto::Describe(*process);
  EXPECT_EQ(uiauto::ControlText(*completion, IDC_LAUNCH_APP).value_or(""), "Start Example Editor");
  ASSERT_TRUE(uiauto::SetChecked(*completion, IDC_VIEW_NOTES, false));
  ASSERT_TRUE(uiauto::ClickButton(*completion, IDOK));
  const auto installLog = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
  ASSERT_TRUE(installLog.exited) << installLog.ToString();
  EXPECT_TRUE(installLog.boxes.empty()) << installLog.ToString();

  for (const char* file : {"Editor.exe", "README.TXT", "LICENSE.TXT", "Setup.exe", "Setup.dat"})
    EXPECT_TRUE(testsupport::FileExists(folder + "\\" + file)) << file;
  const std::string installedDat = folder + "\\Setup.dat";
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallFolder"), folder);
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallGroup"), "Example Editor");
  EXPECT_EQ(ProfileValue(installedDat, "Uninstall", "InstallLinks"), "1");
  EXPECT_EQ(MachineValue("Software\\Example\\Editor", "Path"), std::optional<std::string>(folder));
  EXPECT_TRUE(testsupport::FileExists(group + "\\Example Editor.lnk"));
  HWND editor = nullptr;
  EXPECT_TRUE(uiauto::WaitUntil([&] { return (editor = FindWindowA(kEditorClass, nullptr)) != nullptr; }, 15000))
      << "the editor was not started";

  // The uninstall, from the installed copy, finds the editor still open.
  auto removal = uiauto::Process::Start(uiauto::QuoteArg(folder + "\\Setup.exe") + " /U " + uiauto::QuoteArg(folder),
                                        folder);
  ASSERT_TRUE(removal) << uiauto::LastError();
  std::vector<std::string> texts;
  const auto log = uiauto::CollectMessageBoxes(*removal, kRunTimeoutMs, [&](const uiauto::MessageBoxInfo& box) {
    texts.push_back(box.text);
    if (box.text.find("is still open") != std::string::npos && editor) {
      PostMessageA(editor, WM_CLOSE, 0, 0);
      uiauto::WaitForWindowGone(editor, 10000);
      editor = nullptr;
    }
    if (box.HasButton(IDYES) && box.text.find("restart") != std::string::npos) return IDNO;
    return box.HasButton(IDYES) ? IDYES : IDOK;
  });
  ASSERT_TRUE(log.exited) << log.ToString();
  ASSERT_GE(texts.size(), 3u) << log.ToString();
  EXPECT_EQ(texts[0], "Are you sure you want to remove Example Editor from your computer?");
  EXPECT_EQ(texts[1],
            "Example Editor is still open. Please exit the application before continuing. Click OK to continue.");
  EXPECT_EQ(texts[2], "Successfully uninstalled the application.");
  EXPECT_FALSE(testsupport::FileExists(folder + "\\Editor.exe"));
  EXPECT_FALSE(testsupport::FileExists(folder + "\\README.TXT"));
  EXPECT_FALSE(MachineValue("Software\\Example\\Editor", "Path"));
  EXPECT_FALSE(testsupport::FileExists(group + "\\Example Editor.lnk"));
  if (editor) PostMessageA(editor, WM_CLOSE, 0, 0);
}

INSTANTIATE_TEST_SUITE_P(UnderEachWindows, WholeRun, testing::Values("win95", "nt40", "winxp", "win10"));

}  // namespace
}  // namespace e2e
