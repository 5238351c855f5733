#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "uiauto.h"

namespace e2e {

// Buttons of the platform's wizard sheet.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

// The pages, each told by a control only it has.
enum class WizardPage { Welcome, Folder, Shortcuts, Group, Ready };
int MarkerOf(WizardPage page);
const char* NameOf(WizardPage page);

// Drives Setup.exe's wizard the way a user would.
class WizardDriver {
 public:
  explicit WizardDriver(const uiauto::Process& process) : process_(process) {}

  // Waits for the sheet; false (with the reason in Failure()) when none came.
  bool Appear(DWORD timeoutMs = 30000);
  HWND sheet() const { return sheet_; }

  // Waits until `page` is the page shown.
  bool WaitFor(WizardPage page, DWORD timeoutMs = uiauto::kDefaultTimeoutMs);
  bool IsShown(WizardPage page) const;

  // The pages set the sheet's buttons by a posted message, so the buttons
  // may lag the page by a moment: waits until `button` shows and is enabled
  // as expected, and says whether it came to that.
  bool ButtonBecomes(int button, bool visible, bool enabled, DWORD timeoutMs = 3000) const;

  // Clicks a sheet button once the page has made it clickable.
  bool Click(int button);
  // Presses a sheet button and waits for `next` to be shown.
  bool Press(int button, WizardPage next);
  bool Next(WizardPage next) { return Press(kNextButton, next); }
  // Presses Install on the ready page and waits for the sheet to go.
  bool Install();
  // Presses a sheet button that must bring up a message: answers it with
  // OK, waits for it to go and returns what it said.
  std::optional<uiauto::MessageBoxInfo> PressExpectingMessage(int button);

  // Posts a key to the control that has the focus in the sheet, as typing
  // it would.
  bool PressKey(UINT virtualKey);

  // Welcome to ready with every default; then Install.
  bool WalkWithDefaults();

  std::string Failure() const;

 private:
  const uiauto::Process& process_;
  HWND sheet_ = nullptr;
};

// The completion dialog once it is shown; OK on it ends the install step.
std::optional<HWND> WaitForCompletion(const uiauto::Process& process, DWORD timeoutMs = 30000);
// Waits for the completion dialog and presses its OK as it is.
bool AcceptCompletion(const uiauto::Process& process);

// While it lives, a helper thread takes every proposal of the dialogs that
// are not message boxes, as a user in a hurry would: "I agree" to the
// licence, Next through the wizard's defaults, Install, and OK on the
// completion dialog (with nothing ticked to start, so that no program of
// the product is left running).
class ProposalTaker {
 public:
  explicit ProposalTaker(const uiauto::Process& process);
  // The same for a process the test did not start itself.
  explicit ProposalTaker(DWORD processId);
  ~ProposalTaker();
  ProposalTaker(const ProposalTaker&) = delete;
  ProposalTaker& operator=(const ProposalTaker&) = delete;

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();
  bool TakeOne(HWND window);

  DWORD processId_;
  HANDLE stop_;
  HANDLE thread_;
};

}  // namespace e2e
