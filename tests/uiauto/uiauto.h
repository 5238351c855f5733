// uiauto: drives a Win32 GUI program in another process through the
// ordinary window API, for end-to-end tests. Nothing here needs help from
// the program under test: windows are found by process id, read with
// (timed) window messages and operated by posting the same notifications
// a mouse click or keystroke would produce.
//
// Conventions:
//  - Every wait has a timeout in milliseconds; nothing blocks forever.
//  - Failures are reported by return value (bool / std::optional). The
//    reason of the latest failure on this thread is in LastError(), meant
//    for a test's failure message, together with Describe(process).
//  - Only the ANSI (...A) API is used.
#ifndef UIAUTO_UIAUTO_H
#define UIAUTO_UIAUTO_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace uiauto {

// How long a wait lasts when a test does not say.
constexpr DWORD kDefaultTimeoutMs = 5000;
// How often waits look again.
constexpr DWORD kPollIntervalMs = 50;
// How long one message sent to the other process may take before we give
// up on it (the program may be busy or inside a modal loop).
constexpr DWORD kMessageTimeoutMs = 2000;

// Why the latest failing call on this thread failed; empty after success
// is not guaranteed, so read it only after a failure.
const std::string& LastError();

// Polls cond() every pollMs until it returns true or timeoutMs passed.
// Returns the last result of cond(), which is looked at once more at the end.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs,
               DWORD pollMs = kPollIntervalMs);

// ---------------------------------------------------------------------------
// Handles and processes

// Owns one kernel handle (process, thread, job, event ...).
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return h_; }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  void reset(HANDLE h = nullptr);
  explicit operator bool() const {
    return h_ != nullptr && h_ != INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_ = nullptr;
};

// A program started by a test. The destructor kills it (and whatever it
// started itself, where job objects work) if it is still running, so a
// failing test never leaves a process behind.
class Process {
 public:
  // Exit code given to a process ended by Kill() unless told otherwise.
  static constexpr UINT kKilledExitCode = 0xDEAD;

  // Starts commandLine (passed to CreateProcessA as is: quote a program
  // path with spaces, see QuoteArg) in workingDir (empty: ours).
  // On failure returns nullopt and puts the reason into LastError().
  static std::optional<Process> Start(const std::string& commandLine,
                                      const std::string& workingDir = std::string());

  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  DWORD Id() const { return id_; }
  HANDLE NativeHandle() const { return process_.get(); }
  bool IsRunning() const;
  // Whether the process ended within timeoutMs.
  bool WaitForExit(DWORD timeoutMs) const;
  // The exit code once the process has ended; nullopt while it runs.
  std::optional<DWORD> ExitCode() const;
  // Ends the process (and its job) and waits a little for it to go.
  // True when it is gone afterwards (also when it had already ended).
  bool Kill(UINT exitCode = kKilledExitCode);
  // Waits until the program first waits for input (its UI is up).
  bool WaitUntilIdle(DWORD timeoutMs) const;

 private:
  Process() = default;
  UniqueHandle job_;  // declared first so that it is closed last
  UniqueHandle process_;
  UniqueHandle thread_;
  DWORD id_ = 0;
};

// Quotes one argument for a command line the way the C runtime splits it.
std::string QuoteArg(const std::string& arg);
// Full path of the running executable, and of a file beside it.
std::string ThisExecutablePath();
std::string PathBesideThisExecutable(const std::string& fileName);

// ---------------------------------------------------------------------------
// Finding windows

enum class TextMatch { Exact, Substring };

// What a top-level window must look like; unset fields match anything.
struct WindowFilter {
  std::optional<std::string> className;  // compared ignoring case, as Windows does
  std::optional<std::string> caption;
  TextMatch captionMatch = TextMatch::Exact;
  // Set: the window's owner must be this (nullptr: it must have none).
  std::optional<HWND> owner;
  bool includeHidden = false;

  bool Matches(HWND hwnd) const;
};

// Class of standard dialogs, message boxes and property sheets.
constexpr const char* kDialogClass = "#32770";

WindowFilter DialogFilter(const std::string& caption = std::string(),
                          TextMatch match = TextMatch::Exact);

// Top-level windows of a process, and of the copies of its own program it
// started (an uninstall runs from one), in z-order (topmost first); owned
// windows such as message boxes and property sheets are top-level too.
std::vector<HWND> TopLevelWindows(DWORD processId, bool includeHidden = false);
std::vector<HWND> FindWindows(DWORD processId, const WindowFilter& filter);
std::optional<HWND> FindTopLevelWindow(DWORD processId, const WindowFilter& filter);
// Top-level windows whose owner is `owner`.
std::vector<HWND> OwnedWindows(HWND owner, bool includeHidden = false);
HWND Owner(HWND hwnd);

// Polls the process's top-level windows until one satisfies pred. Gives up
// early (nullopt) when the process ends.
std::optional<HWND> WaitForWindow(const Process& process,
                                  const std::function<bool(HWND)>& pred,
                                  DWORD timeoutMs = kDefaultTimeoutMs);
std::optional<HWND> WaitForWindow(const Process& process, const WindowFilter& filter,
                                  DWORD timeoutMs = kDefaultTimeoutMs);
// A visible "#32770" window with this caption (empty caption: any).
std::optional<HWND> WaitForDialog(const Process& process, const std::string& caption,
                                  DWORD timeoutMs = kDefaultTimeoutMs,
                                  TextMatch match = TextMatch::Exact);
// Until hwnd is destroyed or hidden.
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs = kDefaultTimeoutMs);

// ---------------------------------------------------------------------------
// Reading

// Sends a message whose parameters are plain values (no pointers) and
// waits at most timeoutMs for the answer; nullopt if none came in time.
// The timeout holds even where the system's own send timeout does not
// (Wine waits for a busy receiver regardless).
std::optional<LRESULT> Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                            DWORD timeoutMs = kMessageTimeoutMs);

// Text through WM_GETTEXT (what edit controls really hold), falling back
// to the caption Windows keeps when the owner does not answer in time.
std::string WindowText(HWND hwnd, DWORD timeoutMs = kMessageTimeoutMs);
std::string WindowClass(HWND hwnd);
int ControlId(HWND hwnd);

// The control with this id below parent. Looks through nested dialogs too
// (property sheet pages), preferring visible controls and then the
// shallowest, so the current page wins over hidden ones. nullptr if none.
HWND Control(HWND parent, int id);

// These give nullopt when parent has no such control (LastError says so).
std::optional<std::string> ControlText(HWND parent, int id);
std::optional<bool> IsControlEnabled(HWND parent, int id);
std::optional<bool> IsControlVisible(HWND parent, int id);

enum class CheckState { Unchecked, Checked, Indeterminate };
std::optional<CheckState> GetCheckState(HWND parent, int id);
std::optional<bool> IsChecked(HWND parent, int id);

// Items of a list box or combo box and its selection (-1: none).
std::optional<std::vector<std::string>> ListItems(HWND control);
std::optional<int> SelectedIndex(HWND control);

struct ControlInfo {
  HWND hwnd = nullptr;
  HWND parent = nullptr;
  int id = 0;
  int depth = 0;  // 0: direct child of the window asked about
  std::string className;
  std::string text;
  DWORD style = 0;
  bool visible = false;
  bool enabled = false;
};
// All descendants of parent, depth first in z-order.
std::vector<ControlInfo> Controls(HWND parent);

enum class ShowState { Hidden, Minimized, Maximized, Normal };
ShowState GetShowState(HWND hwnd);
const char* ToString(ShowState state);

// Human-readable dump of a window and its controls, or of all windows of
// a process (hidden ones included), for test failure messages.
std::string DescribeWindow(HWND hwnd);
std::string Describe(const Process& process);

// ---------------------------------------------------------------------------
// Acting. Actions are posted, as input would be, so they return before the
// program has reacted: wait for the effect (WaitForWindow, WaitUntil ...).

// Clicks a push button (or check box / radio button) as the mouse would:
// refuses disabled or hidden buttons, since a user could not click them.
bool ClickButton(HWND button);
bool ClickButton(HWND parent, int id);

// Replaces an edit control's text and tells its parent (EN_CHANGE), so
// the owning dialog sees the change as if it had been typed.
bool SetEditText(HWND parent, int id, const std::string& text);

// Ticks or clears a check box, or selects a radio button, by clicking it
// when its state differs, then waits until the state is as asked.
bool SetChecked(HWND parent, int id, bool checked, DWORD timeoutMs = kDefaultTimeoutMs);

// Selects item `index` of a list box or combo box and notifies the parent
// (LBN_SELCHANGE / CBN_SELCHANGE).
bool SelectListItem(HWND parent, int id, int index);

// Asks a window to close (WM_CLOSE; a dialog treats it as Cancel).
bool Close(HWND hwnd);

// ---------------------------------------------------------------------------
// Message boxes

// Icon of a message box, told apart by what the icon looks like on screen.
// Unknown: there is an icon but it matched none of the standard ones (or
// could not be seen, e.g. covered by another window).
enum class MessageBoxIcon { None, Stop, Warning, Information, Question, Unknown };
const char* ToString(MessageBoxIcon icon);

// Id of the static control holding a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::string caption;
  std::string text;
  std::vector<int> buttonIds;  // IDOK, IDCANCEL, IDYES ... left to right
  std::vector<std::string> buttonTexts;
  bool hasIcon = false;
  MessageBoxIcon icon = MessageBoxIcon::None;

  bool HasButton(int id) const;
  std::string ToString() const;
};

// Whether hwnd looks like a message box: a visible dialog whose children
// are only the text static (id 0xFFFF), an icon static (shown or not) and
// buttons with ids IDOK..IDCONTINUE. A dialog made of nothing but one
// unnumbered label and such buttons passes too.
bool IsMessageBox(HWND hwnd);
// Reads a message box. Telling the icon apart looks at the screen and
// waits up to a second for the box to be painted and uncovered.
std::optional<MessageBoxInfo> ReadMessageBox(HWND hwnd);
// The topmost message box of the process, if it shows one now.
std::optional<MessageBoxInfo> FindMessageBox(DWORD processId);
// Gives up early when the process ends.
std::optional<MessageBoxInfo> WaitForMessageBox(const Process& process,
                                                DWORD timeoutMs = kDefaultTimeoutMs);
// Presses a button of the box; false if it has no such (enabled) button.
bool Answer(const MessageBoxInfo& box, int buttonId);

struct AnsweredMessageBox {
  MessageBoxInfo box;
  int answer = 0;
};

struct MessageBoxLog {
  std::vector<AnsweredMessageBox> boxes;
  bool exited = false;               // the process ended before the timeout
  std::optional<DWORD> exitCode;     // set when exited
  std::string error;                 // why collecting stopped early, if it did

  std::string ToString() const;
};

// Answers every message box the process shows, recording each, until the
// process ends or timeoutMs passes. chooseAnswer picks the button for a box.
// A box is answered once and then waited for to go, so none is counted
// twice. On timeout, error holds Describe(process): what is up instead.
MessageBoxLog CollectMessageBoxes(const Process& process, DWORD timeoutMs,
                                  const std::function<int(const MessageBoxInfo&)>& chooseAnswer);
MessageBoxLog CollectMessageBoxes(const Process& process, DWORD timeoutMs,
                                  int answer = IDOK);

// ---------------------------------------------------------------------------
// Pictures of the screen

// Pixels as the screen shows them, row by row from the top, 0x00RRGGBB.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  // CLR_INVALID outside the picture.
  COLORREF At(int x, int y) const;
  // Writes an RGB PNG file (uncompressed deflate, so no library is needed).
  bool SavePng(const std::string& path) const;
};

// What the screen shows in `area` (screen coordinates) now: whatever window
// is on top there, as a user would see it.
std::optional<Picture> CaptureScreen(const RECT& area);
// The client area of a window, as shown on the screen.
std::optional<Picture> CaptureClient(HWND window);
std::optional<Picture> CaptureWholeScreen();

}  // namespace uiauto

#endif  // UIAUTO_UIAUTO_H
