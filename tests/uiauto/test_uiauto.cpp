// Tests of the uiauto library against uiauto_target.exe, which must lie
// beside this test executable (or be named by the UIAUTO_TARGET variable).
// Each test starts the target as a separate process and drives it only
// through the library, the way the end-to-end tests drive Setup.exe.
#include "uiauto.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using uiauto::MessageBoxIcon;
using uiauto::Process;

constexpr DWORD kTimeoutMs = 10000;

// Control ids of the target's main dialog.
constexpr int kIdNameEdit = 101;
constexpr int kIdEcho = 102;
constexpr int kIdEnableApply = 103;
constexpr int kIdApply = 104;
constexpr int kIdRed = 105;
constexpr int kIdBlue = 106;
constexpr int kIdFolder = 107;
constexpr int kIdArgs = 108;
constexpr int kIdAsk = 109;
constexpr int kIdAnswer = 110;
constexpr int kIdNotes = 111;
constexpr int kIdList = 113;
constexpr int kIdSelection = 114;
constexpr int kIdBusy = 115;
// Wizard.
constexpr int kIdWizardEdit = 201;
constexpr int kIdWizardCheck = 202;
constexpr int kIdWizardNext = 0x3024;
constexpr int kIdWizardFinish = 0x3025;

std::string TargetPath() {
  if (const char* env = std::getenv("UIAUTO_TARGET")) {
    if (*env != '\0') return env;
  }
  return uiauto::PathBesideThisExecutable("uiauto_target.exe");
}

std::optional<Process> StartTarget(const std::vector<std::string>& args,
                                   const std::string& folder = std::string()) {
  std::string cmd = uiauto::QuoteArg(TargetPath());
  for (const std::string& a : args) cmd += " " + uiauto::QuoteArg(a);
  return Process::Start(cmd, folder);
}

bool WaitForText(HWND parent, int id, const std::string& want) {
  return uiauto::WaitUntil([&] { return uiauto::ControlText(parent, id) == want; }, kTimeoutMs);
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// ---------------------------------------------------------------------------
// Processes

TEST(Process, ReportsExitCodeOnlyOnceEnded) {
  std::optional<Process> p = StartTarget({"--exit", "7"});
  ASSERT_TRUE(p) << uiauto::LastError();
  EXPECT_NE(p->Id(), 0u);
  ASSERT_TRUE(p->WaitForExit(kTimeoutMs));
  EXPECT_FALSE(p->IsRunning());
  EXPECT_EQ(p->ExitCode(), std::optional<DWORD>(7));
}

TEST(Process, StartOfMissingProgramFailsWithReason) {
  std::optional<Process> p = Process::Start("C:\\no\\such\\program.exe");
  EXPECT_FALSE(p);
  EXPECT_NE(uiauto::LastError().find("program.exe"), std::string::npos) << uiauto::LastError();
}

TEST(Process, KillEndsARunningProgram) {
  std::optional<Process> p = StartTarget({});
  ASSERT_TRUE(p) << uiauto::LastError();
  ASSERT_TRUE(uiauto::WaitForMessageBox(*p, kTimeoutMs)) << uiauto::LastError();
  EXPECT_TRUE(p->IsRunning());
  EXPECT_FALSE(p->ExitCode());
  EXPECT_FALSE(p->WaitForExit(100));
  ASSERT_TRUE(p->Kill()) << uiauto::LastError();
  EXPECT_EQ(p->ExitCode(), std::optional<DWORD>(Process::kKilledExitCode));
}

TEST(Process, DestructorEndsProgramAndWhatItStarted) {
  uiauto::UniqueHandle parent;
  uiauto::UniqueHandle child;
  {
    std::optional<Process> p = StartTarget({"--spawn-child"});
    ASSERT_TRUE(p) << uiauto::LastError();
    uiauto::WindowFilter parentBox = uiauto::DialogFilter("Parent");
    // The child runs the same program: its windows count as the parent's,
    // so the parent's box is told by its caption.
    const std::optional<HWND> parentWindow = uiauto::WaitForWindow(*p, parentBox, kTimeoutMs);
    ASSERT_TRUE(parentWindow) << uiauto::LastError();
    const std::optional<uiauto::MessageBoxInfo> box = uiauto::ReadMessageBox(*parentWindow);
    ASSERT_TRUE(box) << uiauto::LastError();
    ASSERT_EQ(box->text.rfind("child ", 0), 0u) << box->ToString();
    const DWORD childId = static_cast<DWORD>(std::stoul(box->text.substr(6)));
    parent.reset(OpenProcess(SYNCHRONIZE, FALSE, p->Id()));
    child.reset(OpenProcess(SYNCHRONIZE, FALSE, childId));
    ASSERT_TRUE(parent && child);
    // The child shows a box of its own: it is up and running.
    ASSERT_TRUE(uiauto::WaitUntil(
        [&] { return !uiauto::FindWindows(childId, uiauto::DialogFilter()).empty(); }, kTimeoutMs));
  }
  EXPECT_EQ(WaitForSingleObject(parent.get(), kTimeoutMs), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(child.get(), kTimeoutMs), WAIT_OBJECT_0);
}

TEST(Process, ArgumentsAndWorkingFolderReachTheProgram) {
  char temp[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string folder = WithoutTrailingSlash(temp);
  // Spaces, quotes and trailing backslashes are where quoting goes wrong.
  const std::vector<std::string> args = {"plain", "two words", "say \"hi\"", "dir\\", "a\\\\\"b", ""};
  std::optional<Process> p = StartTarget(args, folder);
  ASSERT_TRUE(p) << uiauto::LastError();
  std::optional<uiauto::MessageBoxInfo> box = uiauto::WaitForMessageBox(*p, kTimeoutMs);
  ASSERT_TRUE(box) << uiauto::LastError();
  ASSERT_TRUE(uiauto::Answer(*box, IDOK)) << uiauto::LastError();
  const std::optional<HWND> dlg = uiauto::WaitForDialog(*p, "UiAuto Target Dialog", kTimeoutMs);
  ASSERT_TRUE(dlg) << uiauto::LastError();

  EXPECT_EQ(uiauto::ControlText(*dlg, kIdArgs),
            std::optional<std::string>("plain|two words|say \"hi\"|dir\\|a\\\\\"b|"));
  const std::optional<std::string> shown = uiauto::ControlText(*dlg, kIdFolder);
  ASSERT_TRUE(shown);
  EXPECT_EQ(lstrcmpiA(WithoutTrailingSlash(*shown).c_str(), folder.c_str()), 0)
      << *shown << " vs " << folder;
}

// ---------------------------------------------------------------------------
// Message boxes

TEST(MessageBoxes, ReadsCaptionTextButtonsAndIcon) {
  std::optional<Process> p = StartTarget({});
  ASSERT_TRUE(p) << uiauto::LastError();
  const std::optional<uiauto::MessageBoxInfo> box = uiauto::WaitForMessageBox(*p, kTimeoutMs);
  ASSERT_TRUE(box) << uiauto::LastError();
  EXPECT_EQ(box->caption, "UiAuto Target");
  EXPECT_EQ(box->text, "Hello from the target.\nSecond line.");
  EXPECT_EQ(box->buttonIds, std::vector<int>{IDOK});
  EXPECT_TRUE(box->hasIcon);
  EXPECT_EQ(box->icon, MessageBoxIcon::Information) << box->ToString();
  EXPECT_EQ(box->owner, nullptr);
  EXPECT_TRUE(uiauto::IsMessageBox(box->hwnd));
}

TEST(MessageBoxes, TellsIconsApart) {
  const struct {
    const char* arg;
    MessageBoxIcon icon;
  } cases[] = {{"stop", MessageBoxIcon::Stop},
               {"warning", MessageBoxIcon::Warning},
               {"information", MessageBoxIcon::Information},
               {"question", MessageBoxIcon::Question},
               {"none", MessageBoxIcon::None}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg);
    std::optional<Process> p = StartTarget({"--boxes", "1", "--icon", c.arg});
    ASSERT_TRUE(p) << uiauto::LastError();
    const std::optional<uiauto::MessageBoxInfo> box = uiauto::WaitForMessageBox(*p, kTimeoutMs);
    ASSERT_TRUE(box) << uiauto::LastError();
    EXPECT_EQ(box->icon, c.icon) << box->ToString();
    EXPECT_EQ(box->hasIcon, c.icon != MessageBoxIcon::None);
  }
}

TEST(MessageBoxes, AnswersReachTheProgramInOrder) {
  std::optional<Process> p = StartTarget({"--boxes", "2", "--yesno"});
  ASSERT_TRUE(p) << uiauto::LastError();
  std::optional<uiauto::MessageBoxInfo> first = uiauto::WaitForMessageBox(*p, kTimeoutMs);
  ASSERT_TRUE(first) << uiauto::LastError();
  EXPECT_EQ(first->caption, "Box 1 of 2");
  EXPECT_EQ(first->buttonIds, (std::vector<int>{IDYES, IDNO}));
  EXPECT_EQ(first->buttonTexts, (std::vector<std::string>{"&Yes", "&No"}));
  EXPECT_FALSE(uiauto::Answer(*first, IDOK)) << "the box has no OK button";
  ASSERT_TRUE(uiauto::Answer(*first, IDNO)) << uiauto::LastError();
  ASSERT_TRUE(uiauto::WaitForWindowGone(first->hwnd, kTimeoutMs)) << uiauto::LastError();

  std::optional<uiauto::MessageBoxInfo> second = uiauto::WaitForMessageBox(*p, kTimeoutMs);
  ASSERT_TRUE(second) << uiauto::LastError();
  EXPECT_EQ(second->caption, "Box 2 of 2");
  EXPECT_EQ(second->text, "Message number 2");
  ASSERT_TRUE(uiauto::Answer(*second, IDYES)) << uiauto::LastError();
  ASSERT_TRUE(p->WaitForExit(kTimeoutMs));
  EXPECT_EQ(p->ExitCode(), std::optional<DWORD>(IDNO + IDYES));
}

TEST(CollectMessageBoxes, AnswersEveryBoxUntilTheProgramEnds) {
  std::optional<Process> p = StartTarget({"--boxes", "3", "--yesno", "--icon", "stop"});
  ASSERT_TRUE(p) << uiauto::LastError();
  int seen = 0;
  const uiauto::MessageBoxLog log = uiauto::CollectMessageBoxes(
      *p, kTimeoutMs, [&](const uiauto::MessageBoxInfo&) { return ++seen == 1 ? IDYES : IDNO; });
  ASSERT_TRUE(log.exited) << log.ToString();
  EXPECT_TRUE(log.error.empty()) << log.ToString();
  EXPECT_EQ(log.exitCode, std::optional<DWORD>(IDYES + IDNO + IDNO));
  ASSERT_EQ(log.boxes.size(), 3u) << log.ToString();
  for (std::size_t i = 0; i < log.boxes.size(); ++i) {
    EXPECT_EQ(log.boxes[i].box.caption, "Box " + std::to_string(i + 1) + " of 3");
    EXPECT_EQ(log.boxes[i].box.icon, MessageBoxIcon::Stop);
  }
  EXPECT_EQ(log.boxes[0].answer, IDYES);
  EXPECT_EQ(log.boxes[2].answer, IDNO);
}

TEST(CollectMessageBoxes, StopsAtTimeoutWhenAnotherWindowStaysUp) {
  std::optional<Process> p = StartTarget({});
  ASSERT_TRUE(p) << uiauto::LastError();
  const uiauto::MessageBoxLog log = uiauto::CollectMessageBoxes(*p, 3000);
  EXPECT_FALSE(log.exited);
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.caption, "UiAuto Target");
  EXPECT_EQ(log.boxes[0].answer, IDOK);
  // The report names what is on screen instead.
  EXPECT_NE(log.error.find("UiAuto Target Dialog"), std::string::npos) << log.ToString();
}

// ---------------------------------------------------------------------------
// The target's main dialog

class TargetDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    process_ = StartTarget({"one", "two"});
    ASSERT_TRUE(process_) << uiauto::LastError();
    const std::optional<uiauto::MessageBoxInfo> box =
        uiauto::WaitForMessageBox(*process_, kTimeoutMs);
    ASSERT_TRUE(box) << uiauto::LastError();
    ASSERT_TRUE(uiauto::Answer(*box, IDOK)) << uiauto::LastError();
    const std::optional<HWND> dlg =
        uiauto::WaitForDialog(*process_, "UiAuto Target Dialog", kTimeoutMs);
    ASSERT_TRUE(dlg) << uiauto::LastError();
    dlg_ = *dlg;
  }

  std::string Why() const { return uiauto::LastError() + "\n" + uiauto::Describe(*process_); }

  std::optional<Process> process_;
  HWND dlg_ = nullptr;
};

TEST_F(TargetDialog, FindsTheDialogByClassCaptionAndOwner) {
  uiauto::WindowFilter byClass;
  byClass.className = "#32770";
  EXPECT_EQ(uiauto::FindWindows(process_->Id(), byClass), std::vector<HWND>{dlg_});
  EXPECT_TRUE(uiauto::DialogFilter("Target Dialog", uiauto::TextMatch::Substring).Matches(dlg_));
  EXPECT_FALSE(uiauto::DialogFilter("Target Dialog").Matches(dlg_));
  uiauto::WindowFilter unowned;
  unowned.owner = nullptr;
  EXPECT_TRUE(unowned.Matches(dlg_));
  uiauto::WindowFilter otherClass;
  otherClass.className = "Edit";
  EXPECT_FALSE(uiauto::FindTopLevelWindow(process_->Id(), otherClass));
  EXPECT_EQ(uiauto::GetShowState(dlg_), uiauto::ShowState::Normal);
  // An ordinary dialog with an unnumbered label is no message box.
  EXPECT_FALSE(uiauto::IsMessageBox(dlg_));
}

TEST_F(TargetDialog, ReadsControlsAndTheirState) {
  EXPECT_EQ(uiauto::ControlText(dlg_, kIdArgs), std::optional<std::string>("one|two"));
  EXPECT_EQ(uiauto::IsControlEnabled(dlg_, kIdApply), std::optional<bool>(false));
  EXPECT_EQ(uiauto::IsControlEnabled(dlg_, IDOK), std::optional<bool>(true));
  EXPECT_EQ(uiauto::IsControlVisible(dlg_, kIdNameEdit), std::optional<bool>(true));
  EXPECT_EQ(uiauto::IsChecked(dlg_, kIdRed), std::optional<bool>(true));
  EXPECT_EQ(uiauto::IsChecked(dlg_, kIdBlue), std::optional<bool>(false));
  EXPECT_EQ(uiauto::GetCheckState(dlg_, kIdEnableApply),
            std::optional<uiauto::CheckState>(uiauto::CheckState::Unchecked));

  EXPECT_FALSE(uiauto::ControlText(dlg_, 4242));
  EXPECT_NE(uiauto::LastError().find("4242"), std::string::npos) << uiauto::LastError();

  const std::optional<std::vector<std::string>> items =
      uiauto::ListItems(uiauto::Control(dlg_, kIdList));
  EXPECT_EQ(items, std::optional<std::vector<std::string>>({"alpha", "beta", "gamma"}));
  EXPECT_EQ(uiauto::SelectedIndex(uiauto::Control(dlg_, kIdList)), std::optional<int>(-1));

  bool sawEdit = false;
  for (const uiauto::ControlInfo& c : uiauto::Controls(dlg_)) {
    if (c.id == kIdNameEdit) {
      sawEdit = true;
      EXPECT_EQ(c.className, "Edit");
      EXPECT_EQ(c.depth, 0);
      EXPECT_TRUE(c.visible && c.enabled);
    }
  }
  EXPECT_TRUE(sawEdit);
  const std::string dump = uiauto::Describe(*process_);
  EXPECT_NE(dump.find("\"Enable Apply\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("UiAuto Target Dialog"), std::string::npos) << dump;
}

TEST_F(TargetDialog, SetEditTextIsSeenByTheOwner) {
  ASSERT_TRUE(uiauto::SetEditText(dlg_, kIdNameEdit, "hello")) << Why();
  EXPECT_TRUE(WaitForText(dlg_, kIdEcho, "101:hello")) << Why();
  EXPECT_EQ(uiauto::ControlText(dlg_, kIdNameEdit), std::optional<std::string>("hello"));
  // A multi-line edit does not notify by itself on WM_SETTEXT.
  ASSERT_TRUE(uiauto::SetEditText(dlg_, kIdNotes, "first\r\nsecond")) << Why();
  EXPECT_TRUE(WaitForText(dlg_, kIdEcho, "111:first\r\nsecond")) << Why();
  EXPECT_FALSE(uiauto::SetEditText(dlg_, kIdEcho, "not an edit"));
}

TEST_F(TargetDialog, CheckBoxesAndRadioButtonsReachTheOwner) {
  EXPECT_FALSE(uiauto::ClickButton(dlg_, kIdApply)) << "Apply starts disabled";
  EXPECT_NE(uiauto::LastError().find("disabled"), std::string::npos) << uiauto::LastError();

  ASSERT_TRUE(uiauto::SetChecked(dlg_, kIdEnableApply, true)) << Why();
  EXPECT_TRUE(uiauto::WaitUntil([&] { return uiauto::IsControlEnabled(dlg_, kIdApply) == true; },
                                kTimeoutMs))
      << Why();
  ASSERT_TRUE(uiauto::SetChecked(dlg_, kIdEnableApply, false)) << Why();
  EXPECT_TRUE(uiauto::WaitUntil([&] { return uiauto::IsControlEnabled(dlg_, kIdApply) == false; },
                                kTimeoutMs))
      << Why();

  ASSERT_TRUE(uiauto::SetChecked(dlg_, kIdBlue, true)) << Why();
  EXPECT_EQ(uiauto::IsChecked(dlg_, kIdRed), std::optional<bool>(false));
  EXPECT_FALSE(uiauto::SetChecked(dlg_, kIdBlue, false)) << "a radio button is not cleared by a click";
  EXPECT_FALSE(uiauto::SetChecked(dlg_, IDOK, true)) << "not a check box";
}

TEST_F(TargetDialog, SelectListItemIsSeenByTheOwner) {
  ASSERT_TRUE(uiauto::SelectListItem(dlg_, kIdList, 2)) << Why();
  EXPECT_TRUE(WaitForText(dlg_, kIdSelection, "selected:gamma")) << Why();
  EXPECT_EQ(uiauto::SelectedIndex(uiauto::Control(dlg_, kIdList)), std::optional<int>(2));
  EXPECT_FALSE(uiauto::SelectListItem(dlg_, kIdList, 3));
}

TEST_F(TargetDialog, OwnedMessageBoxBlocksTheDialogUntilAnswered) {
  ASSERT_TRUE(uiauto::ClickButton(dlg_, kIdAsk)) << Why();
  const std::optional<uiauto::MessageBoxInfo> box = uiauto::WaitForMessageBox(*process_, kTimeoutMs);
  ASSERT_TRUE(box) << Why();
  EXPECT_EQ(box->caption, "Question");
  EXPECT_EQ(box->owner, dlg_);
  EXPECT_EQ(uiauto::OwnedWindows(dlg_), std::vector<HWND>{box->hwnd});
  EXPECT_EQ(box->icon, MessageBoxIcon::Question) << box->ToString();

  // A user cannot click the dialog while the box is up.
  EXPECT_FALSE(uiauto::ClickButton(dlg_, IDOK));
  EXPECT_NE(uiauto::LastError().find("modal"), std::string::npos) << uiauto::LastError();

  ASSERT_TRUE(uiauto::Answer(*box, IDYES)) << Why();
  EXPECT_TRUE(WaitForText(dlg_, kIdAnswer, "yes")) << Why();
  EXPECT_TRUE(process_->IsRunning());
}

TEST_F(TargetDialog, OkReportsTheEnteredStateAndExitsWithItsId) {
  ASSERT_TRUE(uiauto::SetEditText(dlg_, kIdNameEdit, "Ann")) << Why();
  ASSERT_TRUE(uiauto::SetChecked(dlg_, kIdEnableApply, true)) << Why();
  ASSERT_TRUE(uiauto::SetChecked(dlg_, kIdBlue, true)) << Why();
  ASSERT_TRUE(uiauto::ClickButton(dlg_, IDOK)) << Why();
  const uiauto::MessageBoxLog log = uiauto::CollectMessageBoxes(*process_, kTimeoutMs);
  ASSERT_TRUE(log.exited) << log.ToString();
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.caption, "Summary");
  EXPECT_EQ(log.boxes[0].box.text, "name=Ann;check=1;color=blue");
  EXPECT_FALSE(log.boxes[0].box.hasIcon);
  EXPECT_EQ(log.exitCode, std::optional<DWORD>(IDOK));
}

TEST_F(TargetDialog, EnabledButtonEndsTheDialogWithItsId) {
  ASSERT_TRUE(uiauto::SetChecked(dlg_, kIdEnableApply, true)) << Why();
  ASSERT_TRUE(uiauto::WaitUntil([&] { return uiauto::IsControlEnabled(dlg_, kIdApply) == true; },
                                kTimeoutMs));
  ASSERT_TRUE(uiauto::ClickButton(dlg_, kIdApply)) << Why();
  ASSERT_TRUE(process_->WaitForExit(kTimeoutMs)) << Why();
  EXPECT_EQ(process_->ExitCode(), std::optional<DWORD>(kIdApply));
}

TEST_F(TargetDialog, CloseActsAsCancel) {
  ASSERT_TRUE(uiauto::Close(dlg_)) << Why();
  ASSERT_TRUE(uiauto::WaitForWindowGone(dlg_, kTimeoutMs)) << Why();
  ASSERT_TRUE(process_->WaitForExit(kTimeoutMs)) << Why();
  EXPECT_EQ(process_->ExitCode(), std::optional<DWORD>(IDCANCEL));
}

TEST_F(TargetDialog, ReadsGiveUpInTimeWhileTheProgramIsBusy) {
  HWND ok = uiauto::Control(dlg_, IDOK);
  ASSERT_NE(ok, nullptr);
  ASSERT_TRUE(uiauto::ClickButton(dlg_, kIdBusy)) << Why();
  Sleep(300);  // the dialog is now inside its 3 s handler

  DWORD start = GetTickCount();
  EXPECT_FALSE(uiauto::Send(dlg_, WM_NULL, 0, 0, 300));
  EXPECT_LT(GetTickCount() - start, 1500u);
  EXPECT_NE(uiauto::LastError().find("not answered"), std::string::npos) << uiauto::LastError();
  // Text falls back to the caption Windows keeps.
  start = GetTickCount();
  EXPECT_EQ(uiauto::WindowText(ok, 300), "OK");
  EXPECT_LT(GetTickCount() - start, 1500u);

  // Once the handler returns, the program answers again.
  EXPECT_TRUE(uiauto::WaitUntil([&] { return uiauto::Send(dlg_, WM_NULL, 0, 0, 300).has_value(); },
                                kTimeoutMs));
}

// ---------------------------------------------------------------------------
// Other windows

LRESULT CALLBACK AnswerWmUser(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER) return 1234;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(Windows, SendsToAWindowOfTheCallingThread) {
  // In-process use: a window of this very thread must be answered at once,
  // not wait for a thread that is waiting for us.
  WNDCLASSA wc = {};
  wc.lpfnWndProc = AnswerWmUser;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "UiAutoTestOwnWindow";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND own = CreateWindowExA(0, wc.lpszClassName, "Own", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                             nullptr, wc.hInstance, nullptr);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(uiauto::Send(own, WM_USER, 0, 0, 1000), std::optional<LRESULT>(1234));
  EXPECT_EQ(uiauto::WindowText(own, 1000), "Own");
  DestroyWindow(own);
  UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

TEST(Windows, FindsAWindowByClassAndTellsItsShowState) {
  for (const bool maximized : {false, true}) {
    SCOPED_TRACE(maximized ? "maximized" : "normal");
    std::optional<Process> p =
        maximized ? StartTarget({"--window", "--maximized"}) : StartTarget({"--window"});
    ASSERT_TRUE(p) << uiauto::LastError();
    uiauto::WindowFilter filter;
    filter.className = "uiautotargetwindow";  // class names ignore case
    filter.caption = "UiAuto Target Window";
    const std::optional<HWND> w = uiauto::WaitForWindow(*p, filter, kTimeoutMs);
    ASSERT_TRUE(w) << uiauto::LastError();
    EXPECT_EQ(uiauto::GetShowState(*w),
              maximized ? uiauto::ShowState::Maximized : uiauto::ShowState::Normal);
    ASSERT_TRUE(uiauto::Close(*w));
    ASSERT_TRUE(p->WaitForExit(kTimeoutMs));
    EXPECT_EQ(p->ExitCode(), std::optional<DWORD>(42));
  }
}

TEST(Windows, WaitGivesUpWhenTheProgramEnds) {
  std::optional<Process> p = StartTarget({"--exit", "3"});
  ASSERT_TRUE(p) << uiauto::LastError();
  const DWORD start = GetTickCount();
  EXPECT_FALSE(uiauto::WaitForWindow(*p, uiauto::WindowFilter(), 60000));
  EXPECT_LT(GetTickCount() - start, 30000u) << "waited on after the program had ended";
  EXPECT_NE(uiauto::LastError().find("ended"), std::string::npos) << uiauto::LastError();
}

TEST(Windows, DrivesAWizardPropertySheet) {
  std::optional<Process> p = StartTarget({"--wizard"});
  ASSERT_TRUE(p) << uiauto::LastError();
  // Wizards show the page title as caption, so the sheet is found by its buttons.
  const std::optional<HWND> sheet = uiauto::WaitForWindow(
      *p, [](HWND w) { return uiauto::Control(w, kIdWizardNext) != nullptr; }, kTimeoutMs);
  ASSERT_TRUE(sheet) << uiauto::LastError();
  EXPECT_FALSE(uiauto::IsMessageBox(*sheet));
  // Page controls sit in a child dialog of the sheet.
  EXPECT_EQ(uiauto::ControlText(*sheet, kIdWizardEdit), std::optional<std::string>("C:\\Target"))
      << uiauto::Describe(*p);
  ASSERT_TRUE(uiauto::SetEditText(*sheet, kIdWizardEdit, "D:\\Other")) << uiauto::LastError();

  ASSERT_TRUE(uiauto::ClickButton(*sheet, kIdWizardNext)) << uiauto::LastError();
  ASSERT_TRUE(uiauto::WaitUntil(
      [&] { return uiauto::IsControlVisible(*sheet, kIdWizardCheck) == true; }, kTimeoutMs))
      << uiauto::Describe(*p);
  EXPECT_EQ(uiauto::IsControlVisible(*sheet, kIdWizardEdit), std::optional<bool>(false));
  ASSERT_TRUE(uiauto::SetChecked(*sheet, kIdWizardCheck, true)) << uiauto::LastError();
  ASSERT_TRUE(uiauto::ClickButton(*sheet, kIdWizardFinish)) << uiauto::Describe(*p);
  ASSERT_TRUE(p->WaitForExit(kTimeoutMs)) << uiauto::Describe(*p);
  EXPECT_EQ(p->ExitCode(), std::optional<DWORD>(11));
}

}  // namespace
