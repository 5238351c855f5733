// The completion dialog: what it offers follows "Execute" and "View", and
// what is left ticked is started once OK is pressed.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 60000;

// Opening a ".demonotes" file runs the marker program with "view:" and the
// file; removed again with the object.
class NotesAssociation {
public:
  explicit NotesAssociation(const std::string& marker) {
    Set(".demonotes", "DemoNotesFile");
    Set("DemoNotesFile\\shell\\open\\command", "\"" + marker + "\" view:%1");
  }
  ~NotesAssociation() {
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "DemoNotesFile\\shell\\open\\command");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "DemoNotesFile\\shell\\open");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "DemoNotesFile\\shell");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "DemoNotesFile");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ".demonotes");
  }

private:
  static void Set(const char* path, const std::string& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
  }
};

class Completion : public testing::Test {
protected:
  InstallationSet set_;
  std::string target_ = set_.Join("Installed");
  std::string launched_ = target_ + "\\launched.txt";
  NotesAssociation association_{target_ + "\\marker.exe"};

  // The product with the marker as its program and a notes file; `settings`
  // holds the App, Execute and View lines wanted.
  void WriteSet(const std::string& settings, const std::string& moreFiles = std::string()) {
    set_.Copy("launch_marker.exe", "marker.exe");
    set_.Write("notes.demonotes", "notes");
    const std::string markerSize = std::to_string(testsupport::ReadFile(set_.Join("marker.exe")).size());
    set_.Write("Setup.dat", "[Setup]\r\nTitle=Demo Setup\r\nDefaultFolder=" + target_ + "\r\nDefaultGroup=Demo\r\n" +
                                settings + "Files=Files\r\n[Files]\r\nmarker.exe=%0\\marker.exe," + markerSize +
                                ",0,Program\r\nnotes.demonotes=%0\\notes.demonotes,5,0,Notes\r\n" + moreFiles);
  }

  // Runs through the wizard and the install; the completion dialog, shown.
  std::optional<HWND> InstallUpToCompletion(const uiauto::Process& process) {
    WizardDriver wizard(process);
    if (!wizard.WalkWithDefaults()) {
      ADD_FAILURE() << wizard.Failure();
      return std::nullopt;
    }
    return WaitForCompletion(process);
  }

  void ExpectEndsQuietly(const uiauto::Process& process) {
    const auto log = uiauto::CollectMessageBoxes(process, kRunTimeoutMs);
    ASSERT_TRUE(log.exited) << log.ToString();
    EXPECT_EQ(log.exitCode, 0u);
    EXPECT_TRUE(log.boxes.empty()) << log.ToString();
  }

  std::vector<std::string> Launches() const {
    std::vector<std::string> lines;
    std::string text = testsupport::ReadFile(launched_);
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start - (end > start && text[end - 1] == '\r' ? 1 : 0)));
    return lines;
  }
};

TEST_F(Completion, OkStartsTheProgramAndOpensTheReleaseNotes) {
  WriteSet("App=Demo\r\nExecute=%0\\marker.exe\r\nView=%0\\notes.demonotes\r\nViewText=Read the Demo notes\r\n");
  auto process = set_.Start();
  ASSERT_TRUE(process);
  auto dialog = InstallUpToCompletion(*process);
  ASSERT_TRUE(dialog) << uiauto::Describe(*process);
  for (int box : {IDC_LAUNCH_APP, IDC_VIEW_NOTES}) {
    EXPECT_EQ(uiauto::IsControlVisible(*dialog, box), std::optional<bool>(true)) << box;
    EXPECT_EQ(uiauto::IsChecked(*dialog, box), std::optional<bool>(true)) << box;
  }
  EXPECT_EQ(uiauto::ControlText(*dialog, IDC_LAUNCH_APP).value_or(""), "Start Demo");
  // The author's words for what View opens.
  EXPECT_EQ(uiauto::ControlText(*dialog, IDC_VIEW_NOTES).value_or(""), "Read the Demo notes");
  // Only OK closes it.
  ASSERT_TRUE(uiauto::Close(*dialog));
  ASSERT_TRUE(PostMessageA(uiauto::Control(*dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 1));
  Sleep(500);
  ASSERT_TRUE(IsWindowVisible(*dialog));
  EXPECT_FALSE(testsupport::FileExists(launched_));

  ASSERT_TRUE(uiauto::ClickButton(*dialog, IDOK));
  ExpectEndsQuietly(*process);
  ASSERT_TRUE(uiauto::WaitUntil([&] { return Launches().size() == 2; }, 10000)) << testsupport::ReadFile(launched_);
  // Both run in the installation folder; the notes through their association.
  auto lines = Launches();
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"view:" + target_ + "\\notes.demonotes|" + target_, "|" + target_}));
}

TEST_F(Completion, TheBoxesFollowTheSettingsAndUntickedStartsNothing) {
  struct Case {
    const char* settings;
    bool launchOffered;
    bool notesOffered;
  };
  const Case cases[] = {
      {"Execute=%0\\marker.exe\r\n", true, false},
      {"View=%0\\notes.demonotes\r\n", false, true},
      {"", false, false},
      {"Execute=%0\\marker.exe\r\nView=%0\\notes.demonotes\r\n", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    WriteSet(c.settings);
    auto process = set_.Start();
    ASSERT_TRUE(process);
    auto dialog = InstallUpToCompletion(*process);
    ASSERT_TRUE(dialog) << uiauto::Describe(*process);
    EXPECT_EQ(uiauto::IsControlVisible(*dialog, IDC_LAUNCH_APP), std::optional<bool>(c.launchOffered));
    EXPECT_EQ(uiauto::IsControlVisible(*dialog, IDC_VIEW_NOTES), std::optional<bool>(c.notesOffered));
    if (c.launchOffered) {
      ASSERT_TRUE(uiauto::SetChecked(*dialog, IDC_LAUNCH_APP, false));
    }
    if (c.notesOffered) {
      ASSERT_TRUE(uiauto::SetChecked(*dialog, IDC_VIEW_NOTES, false));
    }
    ASSERT_TRUE(uiauto::ClickButton(*dialog, IDOK));
    ExpectEndsQuietly(*process);
    Sleep(1000);
    EXPECT_FALSE(testsupport::FileExists(launched_)) << testsupport::ReadFile(launched_);
    testsupport::RemoveTree(target_);
  }
}

TEST_F(Completion, WithARestartPendingNothingIsOfferedAndTheRestartIsAsked) {
  WriteSet("App=Demo\r\nExecute=%0\\marker.exe\r\nView=%0\\notes.demonotes\r\n",
           "busy.txt=%0\\busy.txt,4,0,Busy\r\n");
  set_.Write("busy.txt", "new!");
  ASSERT_TRUE(CreateDirectoryA(target_.c_str(), nullptr));
  const std::string busy = target_ + "\\busy.txt";
  testsupport::WriteFile(busy, "old!");
  // Held open without sharing: the new file can only take its place at
  // the next restart.
  HANDLE open = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  auto process = set_.Start();
  ASSERT_TRUE(process);
  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.WalkWithDefaults()) << wizard.Failure();
  auto question = uiauto::WaitForDialog(*process, busy, 30000);
  ASSERT_TRUE(question) << uiauto::Describe(*process);
  ASSERT_TRUE(uiauto::ClickButton(*question, IDC_IGNORE));

  auto dialog = WaitForCompletion(*process);
  ASSERT_TRUE(dialog) << uiauto::Describe(*process);
  EXPECT_EQ(uiauto::IsControlVisible(*dialog, IDC_LAUNCH_APP), std::optional<bool>(false));
  EXPECT_EQ(uiauto::IsControlVisible(*dialog, IDC_VIEW_NOTES), std::optional<bool>(false));
  ASSERT_TRUE(uiauto::ClickButton(*dialog, IDOK));
  const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs, IDNO);
  CloseHandle(open);
  ASSERT_TRUE(log.exited) << log.ToString();
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.text,
            "The computer must be restarted for changes to take effect. Would you like to restart the computer now?");
  Sleep(1000);
  EXPECT_FALSE(testsupport::FileExists(launched_)) << testsupport::ReadFile(launched_);
}

}  // namespace
}  // namespace e2e
