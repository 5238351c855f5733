#include "e2e/wizard_driver.h"

#include "resources/resource_ids.h"

namespace e2e {

int MarkerOf(WizardPage page) {
  switch (page) {
    case WizardPage::Welcome:
      return IDC_WELCOME_TITLE;
    case WizardPage::Folder:
      return IDC_FOLDER_EDIT;
    case WizardPage::Shortcuts:
      return IDC_SHORTCUTS_TEXT;
    case WizardPage::Group:
      return IDC_GROUP_EDIT;
    case WizardPage::Ready:
      return IDC_READY_TITLE;
  }
  return 0;
}

const char* NameOf(WizardPage page) {
  switch (page) {
    case WizardPage::Welcome:
      return "welcome";
    case WizardPage::Folder:
      return "folder";
    case WizardPage::Shortcuts:
      return "shortcuts";
    case WizardPage::Group:
      return "group";
    case WizardPage::Ready:
      return "ready";
  }
  return "?";
}

bool WizardDriver::Appear(DWORD timeoutMs) {
  // Wizards caption the sheet with the page's title, so the sheet is told
  // by its Next button.
  auto found = uiauto::WaitForWindow(
      process_, [](HWND window) { return uiauto::Control(window, kNextButton) != nullptr; }, timeoutMs);
  sheet_ = found.value_or(nullptr);
  return sheet_ != nullptr;
}

bool WizardDriver::IsShown(WizardPage page) const {
  return sheet_ && uiauto::IsControlVisible(sheet_, MarkerOf(page)).value_or(false);
}

bool WizardDriver::WaitFor(WizardPage page, DWORD timeoutMs) {
  return uiauto::WaitUntil([&] { return IsShown(page); }, timeoutMs);
}

bool WizardDriver::ButtonBecomes(int button, bool visible, bool enabled, DWORD timeoutMs) const {
  return uiauto::WaitUntil(
      [&] {
        if (uiauto::IsControlVisible(sheet_, button) != visible) return false;
        return !visible || uiauto::IsControlEnabled(sheet_, button) == enabled;
      },
      timeoutMs);
}

bool WizardDriver::Click(int button) {
  // A page just shown may not have its buttons yet.
  if (button == kBackButton || button == kNextButton || button == kFinishButton) ButtonBecomes(button, true, true);
  return uiauto::ClickButton(sheet_, button);
}

bool WizardDriver::Press(int button, WizardPage next) { return Click(button) && WaitFor(next); }

bool WizardDriver::Install() { return Click(kFinishButton) && uiauto::WaitForWindowGone(sheet_, 10000); }

std::optional<uiauto::MessageBoxInfo> WizardDriver::PressExpectingMessage(int button) {
  if (!Click(button)) return std::nullopt;
  auto box = uiauto::WaitForMessageBox(process_);
  if (!box || !uiauto::Answer(*box, IDOK) || !uiauto::WaitForWindowGone(box->hwnd)) return std::nullopt;
  return box;
}

bool WizardDriver::PressKey(UINT virtualKey) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(sheet_, nullptr);
  if (!GetGUIThreadInfo(thread, &info)) return false;
  HWND target = info.hwndFocus ? info.hwndFocus : sheet_;
  return PostMessageA(target, WM_KEYDOWN, virtualKey, 1) && PostMessageA(target, WM_KEYUP, virtualKey, 0xC0000001);
}

bool WizardDriver::WalkWithDefaults() {
  if (!Appear() || !WaitFor(WizardPage::Welcome)) return false;
  if (!Next(WizardPage::Folder)) return false;
  if (!Next(WizardPage::Shortcuts)) return false;
  // The group page follows only when Start-menu shortcuts are chosen.
  if (!Click(kNextButton)) return false;
  if (!uiauto::WaitUntil([&] { return IsShown(WizardPage::Group) || IsShown(WizardPage::Ready); }, 5000)) return false;
  if (IsShown(WizardPage::Group) && !Next(WizardPage::Ready)) return false;
  return Install();
}

std::string WizardDriver::Failure() const { return uiauto::LastError() + "\n" + uiauto::Describe(process_); }

std::optional<HWND> WaitForCompletion(const uiauto::Process& process, DWORD timeoutMs) {
  return uiauto::WaitForDialog(process, "Installation Complete!", timeoutMs);
}

bool AcceptCompletion(const uiauto::Process& process) {
  auto dialog = WaitForCompletion(process);
  return dialog && uiauto::ClickButton(*dialog, IDOK) && uiauto::WaitForWindowGone(*dialog);
}

ProposalTaker::ProposalTaker(const uiauto::Process& process) : ProposalTaker(process.Id()) {}

ProposalTaker::ProposalTaker(DWORD processId)
    : processId_(processId), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_(nullptr) {
  thread_ = CreateThread(nullptr, 0, &ProposalTaker::ThreadMain, this, 0, nullptr);
}

ProposalTaker::~ProposalTaker() {
  SetEvent(stop_);
  if (thread_) {
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  CloseHandle(stop_);
}

DWORD WINAPI ProposalTaker::ThreadMain(void* self) {
  static_cast<ProposalTaker*>(self)->Run();
  return 0;
}

void ProposalTaker::Run() {
  while (WaitForSingleObject(stop_, 100) == WAIT_TIMEOUT) {
    for (HWND window : uiauto::TopLevelWindows(processId_)) {
      // After an action the dialog needs a moment to move on.
      if (TakeOne(window)) {
        WaitForSingleObject(stop_, 300);
        break;
      }
    }
  }
}

bool ProposalTaker::TakeOne(HWND window) {
  const std::string caption = uiauto::WindowText(window, 500);
  if (caption == "License Agreement") return uiauto::ClickButton(window, IDOK);
  if (caption == "Installation Complete!") {
    for (int box : {IDC_LAUNCH_APP, IDC_VIEW_NOTES}) {
      if (uiauto::IsControlVisible(window, box).value_or(false)) uiauto::SetChecked(window, box, false);
    }
    return uiauto::ClickButton(window, IDOK);
  }
  if (!uiauto::Control(window, kNextButton)) return false;
  if (uiauto::IsControlVisible(window, kFinishButton).value_or(false))
    return uiauto::ClickButton(window, kFinishButton);
  if (uiauto::IsControlEnabled(window, kNextButton).value_or(false)) return uiauto::ClickButton(window, kNextButton);
  return false;
}

}  // namespace e2e
