// uiauto: finding, reading and operating windows of another process.
// std::min/std::max below, not the windows.h macros.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "uiauto.h"
#include "uiauto_internal.h"

#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace uiauto {

using detail::Fail;
using detail::HwndToString;
using detail::QuoteForLog;

namespace {

struct TopLevelSearch {
  std::vector<DWORD> processIds;
  bool includeHidden;
  std::vector<HWND> found;
};

// A program that hands its work to a copy of itself and waits for it (as
// an uninstall does) shows its windows through that copy: the process and
// every descendant that runs the same program file name count as one.
std::vector<DWORD> ProcessAndCopies(DWORD processId) {
  std::vector<DWORD> ids{processId};
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  std::vector<PROCESSENTRY32> all;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) all.push_back(entry);
  CloseHandle(snapshot);
  std::string name;
  for (const auto& process : all)
    if (process.th32ProcessID == processId) name = process.szExeFile;
  if (name.empty()) return ids;
  for (std::size_t i = 0; i < ids.size(); ++i)
    for (const auto& process : all)
      if (process.th32ParentProcessID == ids[i] && process.th32ProcessID != ids[i] &&
          lstrcmpiA(process.szExeFile, name.c_str()) == 0 &&
          std::find(ids.begin(), ids.end(), process.th32ProcessID) == ids.end())
        ids.push_back(process.th32ProcessID);
  return ids;
}

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<TopLevelSearch*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  const bool ours = std::find(search->processIds.begin(), search->processIds.end(), pid) != search->processIds.end();
  if (ours && (search->includeHidden || IsWindowVisible(hwnd))) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

BOOL CALLBACK CollectChildren(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

std::string ProcessLabel(const Process& process) {
  return "process " + std::to_string(process.Id());
}

// The caption Windows keeps for a window. InternalGetWindowText never
// sends a message, so it cannot hang on a busy program, not even for a
// window of our own process on another thread (GetWindowTextA sends
// WM_GETTEXT there, and GetWindowTextLengthA always sends).
std::string StoredCaption(HWND hwnd) {
  std::vector<wchar_t> buf(512);
  for (;;) {
    const int n = InternalGetWindowText(hwnd, buf.data(), static_cast<int>(buf.size()));
    if (n <= 0) return std::string();
    if (static_cast<std::size_t>(n) + 1 < buf.size() || buf.size() >= 65536) {
      return detail::WideToAnsi(buf.data(), n);
    }
    buf.resize(buf.size() * 4);
  }
}

bool ContainsText(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

DWORD ButtonType(HWND button) {
  return static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsCheckable(DWORD type) {
  switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return true;
    default:
      return false;
  }
}

bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

bool ClassIs(HWND hwnd, const char* name) {
  return detail::EqualsIgnoreCase(WindowClass(hwnd), name);
}

HWND FindControlOrFail(HWND parent, int id) {
  if (!IsWindow(parent)) {
    Fail("window " + HwndToString(parent) + " does not exist (any more)");
    return nullptr;
  }
  HWND ctrl = Control(parent, id);
  if (ctrl == nullptr) {
    Fail("no control with id " + std::to_string(id) + " in " + DescribeWindow(parent));
  }
  return ctrl;
}

// A user can operate a control only if it, its ancestors and its
// top-level window are visible and enabled; a modal dialog disables
// its owner, so this also catches clicks behind an open message box.
bool CheckOperable(HWND ctrl, const char* what) {
  const std::string name = std::string(what) + " " + HwndToString(ctrl) + " (id " +
                           std::to_string(ControlId(ctrl)) + ", " +
                           QuoteForLog(StoredCaption(ctrl)) + ")";
  if (!IsWindow(ctrl)) return Fail(name + " does not exist (any more)");
  if (!IsWindowVisible(ctrl)) return Fail(name + " is not visible");
  for (HWND w = ctrl; w != nullptr; w = GetParent(w)) {
    if (!IsWindowEnabled(w)) {
      if (w == ctrl) return Fail(name + " is disabled");
      return Fail(name + " is inside disabled window " + HwndToString(w) + " " +
                  QuoteForLog(StoredCaption(w)) + " (is a modal window open over it?)");
    }
    if ((static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)) & WS_CHILD) == 0) break;
  }
  return true;
}

bool PostNotify(HWND ctrl, WORD code) {
  HWND parent = GetParent(ctrl);
  if (parent == nullptr) return Fail("control " + HwndToString(ctrl) + " has no parent");
  const WPARAM wp = MAKEWPARAM(static_cast<WORD>(ControlId(ctrl)), code);
  if (!PostMessageA(parent, WM_COMMAND, wp, reinterpret_cast<LPARAM>(ctrl))) {
    return Fail("posting WM_COMMAND to " + HwndToString(parent) + " failed: " +
                detail::Win32ErrorText(GetLastError()));
  }
  return true;
}

std::optional<CheckState> ReadCheck(HWND button) {
  const std::optional<LRESULT> r = Send(button, BM_GETCHECK, 0, 0);
  if (!r) return std::nullopt;
  if (*r == BST_CHECKED) return CheckState::Checked;
  if (*r == BST_INDETERMINATE) return CheckState::Indeterminate;
  return CheckState::Unchecked;
}

const char* CheckName(CheckState s) {
  switch (s) {
    case CheckState::Checked: return "checked";
    case CheckState::Indeterminate: return "indeterminate";
    case CheckState::Unchecked: break;
  }
  return "unchecked";
}

}  // namespace

namespace detail {

std::string WideToAnsi(const wchar_t* text, int length) {
  if (length <= 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], bytes, nullptr, nullptr);
  return out;
}

std::vector<HWND> Descendants(HWND root) {
  std::vector<HWND> found;
  EnumChildWindows(root, CollectChildren, reinterpret_cast<LPARAM>(&found));
  return found;
}

int DepthBelow(HWND root, HWND hwnd) {
  int depth = 0;
  for (HWND p = GetParent(hwnd); p != nullptr && p != root; p = GetParent(p)) ++depth;
  return depth;
}

}  // namespace detail

using detail::DepthBelow;
using detail::Descendants;

// ---------------------------------------------------------------------------
// Finding windows

bool WindowFilter::Matches(HWND hwnd) const {
  if (!IsWindow(hwnd)) return false;
  if (!includeHidden && !IsWindowVisible(hwnd)) return false;
  if (className && !detail::EqualsIgnoreCase(WindowClass(hwnd), *className)) return false;
  if (owner && Owner(hwnd) != *owner) return false;
  if (caption) {
    const std::string text = StoredCaption(hwnd);
    if (captionMatch == TextMatch::Exact ? text != *caption : !ContainsText(text, *caption)) {
      return false;
    }
  }
  return true;
}

WindowFilter DialogFilter(const std::string& caption, TextMatch match) {
  WindowFilter f;
  f.className = kDialogClass;
  if (!caption.empty()) f.caption = caption;
  f.captionMatch = match;
  return f;
}

std::vector<HWND> TopLevelWindows(DWORD processId, bool includeHidden) {
  TopLevelSearch search{ProcessAndCopies(processId), includeHidden, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> FindWindows(DWORD processId, const WindowFilter& filter) {
  std::vector<HWND> out;
  for (HWND hwnd : TopLevelWindows(processId, filter.includeHidden)) {
    if (filter.Matches(hwnd)) out.push_back(hwnd);
  }
  return out;
}

std::optional<HWND> FindTopLevelWindow(DWORD processId, const WindowFilter& filter) {
  for (HWND hwnd : TopLevelWindows(processId, filter.includeHidden)) {
    if (filter.Matches(hwnd)) return hwnd;
  }
  return std::nullopt;
}

HWND Owner(HWND hwnd) { return GetWindow(hwnd, GW_OWNER); }

std::vector<HWND> OwnedWindows(HWND owner, bool includeHidden) {
  DWORD pid = 0;
  GetWindowThreadProcessId(owner, &pid);
  std::vector<HWND> out;
  if (pid == 0) return out;
  for (HWND hwnd : TopLevelWindows(pid, includeHidden)) {
    if (Owner(hwnd) == owner) out.push_back(hwnd);
  }
  return out;
}

std::optional<HWND> WaitForWindow(const Process& process, const std::function<bool(HWND)>& pred,
                                  DWORD timeoutMs) {
  std::optional<HWND> found;
  bool ended = false;
  WaitUntil(
      [&] {
        for (HWND hwnd : TopLevelWindows(process.Id())) {
          if (pred(hwnd)) {
            found = hwnd;
            return true;
          }
        }
        // Windows first, then the exit: a window shown just before the
        // end still counts.
        ended = !process.IsRunning();
        return ended;
      },
      timeoutMs);
  if (found) return found;
  if (ended) {
    const std::optional<DWORD> code = process.ExitCode();
    Fail(ProcessLabel(process) + " ended (exit code " +
         (code ? std::to_string(*code) : std::string("?")) +
         ") without showing the window looked for");
  } else {
    Fail("no such window of " + ProcessLabel(process) + " within " + std::to_string(timeoutMs) +
         " ms; " + Describe(process));
  }
  return std::nullopt;
}

std::optional<HWND> WaitForWindow(const Process& process, const WindowFilter& filter,
                                  DWORD timeoutMs) {
  if (filter.includeHidden) {
    // TopLevelWindows in the predicate form lists visible windows only.
    std::optional<HWND> found;
    if (WaitUntil(
            [&] {
              found = FindTopLevelWindow(process.Id(), filter);
              return found.has_value() || !process.IsRunning();
            },
            timeoutMs) &&
        found) {
      return found;
    }
    Fail("no such (possibly hidden) window of " + ProcessLabel(process) + "; " +
         Describe(process));
    return std::nullopt;
  }
  return WaitForWindow(process, [&](HWND hwnd) { return filter.Matches(hwnd); }, timeoutMs);
}

std::optional<HWND> WaitForDialog(const Process& process, const std::string& caption,
                                  DWORD timeoutMs, TextMatch match) {
  return WaitForWindow(process, DialogFilter(caption, match), timeoutMs);
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs) {
  if (WaitUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }, timeoutMs)) {
    return true;
  }
  return Fail("window " + HwndToString(hwnd) + " " + QuoteForLog(StoredCaption(hwnd)) +
              " still shown after " + std::to_string(timeoutMs) + " ms");
}

// ---------------------------------------------------------------------------
// Reading

namespace {

struct SendState {
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
  LRESULT sent = 0;  // what SendMessageTimeout returned
  DWORD error = 0;
  DWORD_PTR result = 0;
  std::vector<char> buffer;
};

enum class Charset { Ansi, Wide };

void SendNow(SendState& state, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool useBuffer,
             Charset charset, DWORD timeoutMs) {
  if (useBuffer) lParam = reinterpret_cast<LPARAM>(state.buffer.data());
  DWORD_PTR result = 0;
  const UINT flags = SMTO_NORMAL | SMTO_ABORTIFHUNG;
  const LRESULT sent =
      charset == Charset::Wide
          ? SendMessageTimeoutW(hwnd, msg, wParam, lParam, flags, timeoutMs, &result)
          : SendMessageTimeoutA(hwnd, msg, wParam, lParam, flags, timeoutMs, &result);
  const DWORD error = GetLastError();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.sent = sent;
  state.error = error;
  state.result = result;
  state.done = true;
  state.cv.notify_all();
}

// Sends a message and waits at most timeoutMs for the answer.
// Under Wine, SendMessageTimeoutA into a thread that is busy (not reading
// messages) returns only once that thread reads messages again, whatever
// the timeout; so the message is sent from a helper thread and only the
// helper waits that long. If lParam must point at memory, pass that memory
// as *buffer: the helper keeps its own copy until the send is over, as the
// other process may answer after we gave up. On success *buffer holds
// what came back.
std::optional<LRESULT> TimedSend(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                 std::vector<char>* buffer, DWORD timeoutMs,
                                 Charset charset = Charset::Ansi) {
  auto state = std::make_shared<SendState>();
  const bool useBuffer = buffer != nullptr;
  if (useBuffer) state->buffer = *buffer;
  bool answered = false;
  if (GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId()) {
    // Our own thread's window: the send is a plain call. A helper would
    // wait for this thread, which waits for the helper.
    SendNow(*state, hwnd, msg, wParam, lParam, useBuffer, charset, timeoutMs);
    answered = true;
  } else {
    try {
      std::thread helper([state, hwnd, msg, wParam, lParam, useBuffer, charset, timeoutMs] {
        SendNow(*state, hwnd, msg, wParam, lParam, useBuffer, charset, timeoutMs);
      });
      {
        std::unique_lock<std::mutex> lock(state->mutex);
        answered = state->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [&] { return state->done; });
      }
      if (answered) {
        helper.join();
      } else {
        helper.detach();  // it ends when the program answers or goes away
      }
    } catch (const std::system_error&) {
      // No thread to be had: send directly, trusting the timeout.
      SendNow(*state, hwnd, msg, wParam, lParam, useBuffer, charset, timeoutMs);
      answered = true;
    }
  }
  std::lock_guard<std::mutex> lock(state->mutex);
  if (!answered || state->sent == 0) {
    std::string why;
    if (!IsWindow(hwnd)) {
      why = " failed: the window is gone";
    } else if (!answered || state->error == ERROR_TIMEOUT || state->error == 0) {
      why = " not answered within " + std::to_string(timeoutMs) + " ms";
    } else {
      why = " failed: " + detail::Win32ErrorText(state->error);
    }
    Fail("message " + std::to_string(msg) + " to window " + HwndToString(hwnd) + why);
    return std::nullopt;
  }
  if (useBuffer) *buffer = state->buffer;
  return static_cast<LRESULT>(state->result);
}

// Sends a message whose answer is text written to the buffer at lParam.
std::optional<std::string> SendForText(HWND hwnd, UINT msg, WPARAM wParam, std::size_t size,
                                       DWORD timeoutMs) {
  std::vector<char> buf(size + 1, '\0');
  const std::optional<LRESULT> n = TimedSend(hwnd, msg, wParam, 0, &buf, timeoutMs);
  if (!n || *n < 0) return std::nullopt;
  const std::size_t used = std::min(static_cast<std::size_t>(*n), buf.size() - 1);
  return std::string(buf.data(), std::min(used, std::strlen(buf.data())));
}

// Reads one item of a list box or combo box. Sent as Unicode: Wine hands
// the item's UTF-16 text unconverted to an ANSI LB_GETTEXT/CB_GETLBTEXT
// from another process, so the text is converted here instead.
std::optional<std::string> ListItemText(HWND control, UINT lenMsg, UINT textMsg, WPARAM index) {
  const std::optional<LRESULT> len =
      TimedSend(control, lenMsg, index, 0, nullptr, kMessageTimeoutMs, Charset::Wide);
  if (!len || *len < 0) return std::nullopt;
  const std::size_t chars = static_cast<std::size_t>(*len) + 1;
  std::vector<char> buf(chars * sizeof(wchar_t), '\0');
  const std::optional<LRESULT> n =
      TimedSend(control, textMsg, index, 0, &buf, kMessageTimeoutMs, Charset::Wide);
  if (!n || *n < 0) return std::nullopt;
  std::vector<wchar_t> wide(chars, L'\0');
  std::memcpy(wide.data(), buf.data(), chars * sizeof(wchar_t));
  const std::size_t count = std::min(static_cast<std::size_t>(*n), chars - 1);
  return detail::WideToAnsi(wide.data(), static_cast<int>(count));
}

}  // namespace

std::optional<LRESULT> Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD timeoutMs) {
  return TimedSend(hwnd, msg, wParam, lParam, nullptr, timeoutMs);
}

namespace {

// The text through WM_GETTEXT; nullopt if the window did not answer.
std::optional<std::string> AskedText(HWND hwnd, DWORD timeoutMs) {
  const detail::Deadline deadline(timeoutMs);
  const std::optional<LRESULT> len = Send(hwnd, WM_GETTEXTLENGTH, 0, 0, timeoutMs);
  if (!len || *len < 0) return std::nullopt;
  // WM_GETTEXTLENGTH may overestimate (multi-byte text), never underestimates.
  const std::size_t size = static_cast<std::size_t>(*len) + 1;
  return SendForText(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), size,
                     std::max<DWORD>(deadline.Remaining(), 1));
}

// Reads the controls of a window. Once the program fails to answer,
// stops asking it (texts then come from the stored captions, check
// states are left out), so a dump of a hung program stays quick.
std::vector<ControlInfo> ReadControls(HWND parent, bool& answering) {
  std::vector<ControlInfo> out;
  for (HWND hwnd : Descendants(parent)) {
    ControlInfo info;
    info.hwnd = hwnd;
    info.parent = GetParent(hwnd);
    info.id = ControlId(hwnd);
    info.depth = DepthBelow(parent, hwnd);
    info.className = WindowClass(hwnd);
    info.style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    // An icon or picture static answers WM_GETTEXT with its resource name.
    const DWORD staticType = info.style & SS_TYPEMASK;
    const bool picture = detail::EqualsIgnoreCase(info.className, "Static") &&
                         (staticType == SS_ICON || staticType == SS_BITMAP ||
                          staticType == SS_ENHMETAFILE);
    std::optional<std::string> text;
    if (picture) {
      text = std::string();
    } else if (answering) {
      text = AskedText(hwnd, 500);
      if (!text && IsWindow(hwnd)) answering = false;
    }
    info.text = text ? *text : StoredCaption(hwnd);
    info.visible = IsWindowVisible(hwnd) != FALSE;
    info.enabled = IsWindowEnabled(hwnd) != FALSE;
    out.push_back(std::move(info));
  }
  return out;
}

}  // namespace

std::string WindowText(HWND hwnd, DWORD timeoutMs) {
  const std::optional<std::string> text = AskedText(hwnd, timeoutMs);
  return text ? *text : StoredCaption(hwnd);
}

std::string WindowClass(HWND hwnd) {
  char buf[256];
  const int n = GetClassNameA(hwnd, buf, static_cast<int>(sizeof buf));
  return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

int ControlId(HWND hwnd) { return GetDlgCtrlID(hwnd); }

HWND Control(HWND parent, int id) {
  HWND best = nullptr;
  bool bestVisible = false;
  int bestDepth = 0;
  for (HWND hwnd : Descendants(parent)) {
    if (!detail::SameControlId(ControlId(hwnd), id)) continue;
    const bool visible = IsWindowVisible(hwnd) != FALSE;
    const int depth = DepthBelow(parent, hwnd);
    if (best == nullptr || (visible && !bestVisible) ||
        (visible == bestVisible && depth < bestDepth)) {
      best = hwnd;
      bestVisible = visible;
      bestDepth = depth;
    }
  }
  return best;
}

std::optional<std::string> ControlText(HWND parent, int id) {
  HWND ctrl = FindControlOrFail(parent, id);
  if (ctrl == nullptr) return std::nullopt;
  return WindowText(ctrl);
}

std::optional<bool> IsControlEnabled(HWND parent, int id) {
  HWND ctrl = FindControlOrFail(parent, id);
  if (ctrl == nullptr) return std::nullopt;
  return IsWindowEnabled(ctrl) != FALSE;
}

std::optional<bool> IsControlVisible(HWND parent, int id) {
  HWND ctrl = FindControlOrFail(parent, id);
  if (ctrl == nullptr) return std::nullopt;
  return IsWindowVisible(ctrl) != FALSE;
}

std::optional<CheckState> GetCheckState(HWND parent, int id) {
  HWND ctrl = FindControlOrFail(parent, id);
  if (ctrl == nullptr) return std::nullopt;
  return ReadCheck(ctrl);
}

std::optional<bool> IsChecked(HWND parent, int id) {
  const std::optional<CheckState> s = GetCheckState(parent, id);
  if (!s) return std::nullopt;
  return *s == CheckState::Checked;
}

std::optional<std::vector<std::string>> ListItems(HWND control) {
  const std::string cls = WindowClass(control);
  UINT countMsg = 0;
  UINT lenMsg = 0;
  UINT textMsg = 0;
  if (detail::EqualsIgnoreCase(cls, "ListBox") || detail::EqualsIgnoreCase(cls, "ComboLBox")) {
    countMsg = LB_GETCOUNT;
    lenMsg = LB_GETTEXTLEN;
    textMsg = LB_GETTEXT;
  } else if (detail::EqualsIgnoreCase(cls, "ComboBox")) {
    countMsg = CB_GETCOUNT;
    lenMsg = CB_GETLBTEXTLEN;
    textMsg = CB_GETLBTEXT;
  } else {
    Fail("window " + HwndToString(control) + " of class " + QuoteForLog(cls) +
         " is not a list box or combo box");
    return std::nullopt;
  }
  const std::optional<LRESULT> count = Send(control, countMsg, 0, 0);
  if (!count || *count < 0) return std::nullopt;
  std::vector<std::string> items;
  for (LRESULT i = 0; i < *count; ++i) {
    std::optional<std::string> item = ListItemText(control, lenMsg, textMsg, static_cast<WPARAM>(i));
    if (!item) return std::nullopt;
    items.push_back(std::move(*item));
  }
  return items;
}

std::optional<int> SelectedIndex(HWND control) {
  const UINT msg = ClassIs(control, "ComboBox") ? CB_GETCURSEL : LB_GETCURSEL;
  const std::optional<LRESULT> r = Send(control, msg, 0, 0);
  if (!r) return std::nullopt;
  return *r < 0 ? -1 : static_cast<int>(*r);
}

std::vector<ControlInfo> Controls(HWND parent) {
  bool answering = true;
  return ReadControls(parent, answering);
}

ShowState GetShowState(HWND hwnd) {
  if (!IsWindowVisible(hwnd)) return ShowState::Hidden;
  if (IsIconic(hwnd)) return ShowState::Minimized;
  if (IsZoomed(hwnd)) return ShowState::Maximized;
  return ShowState::Normal;
}

const char* ToString(ShowState state) {
  switch (state) {
    case ShowState::Hidden: return "hidden";
    case ShowState::Minimized: return "minimized";
    case ShowState::Maximized: return "maximized";
    case ShowState::Normal: break;
  }
  return "normal";
}

namespace {

std::string DescribeWindow(HWND hwnd, bool& answering) {
  if (!IsWindow(hwnd)) return "window " + HwndToString(hwnd) + " (gone)\n";
  const bool answeredBefore = answering;
  std::string out = "window " + HwndToString(hwnd) + " class " + QuoteForLog(WindowClass(hwnd)) +
                    " caption " + QuoteForLog(StoredCaption(hwnd)) + " " +
                    ToString(GetShowState(hwnd));
  if (!IsWindowEnabled(hwnd)) out += " disabled";
  if (HWND owner = Owner(hwnd)) out += " owner " + HwndToString(owner);
  out += "\n";
  for (const ControlInfo& c : ReadControls(hwnd, answering)) {
    out.append(static_cast<std::size_t>(c.depth + 1) * 2, ' ');
    char style[16];
    std::snprintf(style, sizeof style, "%08lX", static_cast<unsigned long>(c.style));
    out += "id " + std::to_string(c.id) + " " + QuoteForLog(c.className) + " " +
           QuoteForLog(c.text) + " style " + style + (c.visible ? "" : " hidden") +
           (c.enabled ? "" : " disabled");
    if (answering && detail::EqualsIgnoreCase(c.className, "Button") &&
        IsCheckable(c.style & BS_TYPEMASK)) {
      if (const std::optional<CheckState> state = ReadCheck(c.hwnd)) {
        out += std::string(" ") + CheckName(*state);
      } else {
        answering = false;
      }
    }
    out += "\n";
  }
  if (answeredBefore && !answering) {
    out += "  (the program stopped answering: later texts are stored captions, no check states)\n";
  }
  return out;
}

}  // namespace

std::string DescribeWindow(HWND hwnd) {
  bool answering = true;
  return DescribeWindow(hwnd, answering);
}

std::string Describe(const Process& process) {
  std::string out = ProcessLabel(process);
  if (process.IsRunning()) {
    out += " running";
  } else if (const std::optional<DWORD> code = process.ExitCode()) {
    out += " ended with exit code " + std::to_string(*code);
  } else {
    out += " not started";
  }
  const std::vector<HWND> windows = TopLevelWindows(process.Id(), true);
  out += ", " + std::to_string(windows.size()) + " top-level window(s):\n";
  bool answering = true;
  for (HWND hwnd : windows) {
    if (IsWindowVisible(hwnd)) {
      out += DescribeWindow(hwnd, answering);
    } else {
      out += "window " + HwndToString(hwnd) + " class " + QuoteForLog(WindowClass(hwnd)) +
             " hidden\n";
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// Acting

bool ClickButton(HWND button) {
  if (!CheckOperable(button, "button")) return false;
  if (!ClassIs(button, "Button")) {
    return Fail("window " + HwndToString(button) + " is a " + QuoteForLog(WindowClass(button)) +
                ", not a button");
  }
  // Posted, not sent: the click may open a modal dialog, and a sent
  // message would only return once that dialog is closed.
  // BM_CLICK lets the button do what a mouse click does (toggle a check
  // box, move the radio selection) and notify its parent itself.
  if (!PostMessageA(button, BM_CLICK, 0, 0)) {
    return Fail("posting BM_CLICK to " + HwndToString(button) + " failed: " +
                detail::Win32ErrorText(GetLastError()));
  }
  return true;
}

bool ClickButton(HWND parent, int id) {
  HWND button = FindControlOrFail(parent, id);
  return button != nullptr && ClickButton(button);
}

bool SetEditText(HWND parent, int id, const std::string& text) {
  HWND ctrl = FindControlOrFail(parent, id);
  if (ctrl == nullptr || !CheckOperable(ctrl, "edit control")) return false;
  const bool isCombo = ClassIs(ctrl, "ComboBox");
  const DWORD style = static_cast<DWORD>(GetWindowLongA(ctrl, GWL_STYLE));
  if (!isCombo) {
    if (!ClassIs(ctrl, "Edit")) {
      return Fail("control " + std::to_string(id) + " is a " + QuoteForLog(WindowClass(ctrl)) +
                  ", not an edit control");
    }
    if (style & ES_READONLY) return Fail("edit control " + std::to_string(id) + " is read-only");
  }
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back('\0');
  const std::optional<LRESULT> r = TimedSend(ctrl, WM_SETTEXT, 0, 0, &buf, kMessageTimeoutMs);
  if (!r) return false;
  if (*r == FALSE || *r == CB_ERR) {
    return Fail("control " + std::to_string(id) + " refused text " + QuoteForLog(text));
  }
  // A single-line edit tells its parent about WM_SETTEXT itself (EN_CHANGE),
  // as typing would; multi-line edits and combo boxes do not, so the
  // notification typing would have caused is sent for them here.
  if (isCombo) return PostNotify(ctrl, CBN_EDITCHANGE);
  if (style & ES_MULTILINE) return PostNotify(ctrl, EN_CHANGE);
  return true;
}

bool SetChecked(HWND parent, int id, bool checked, DWORD timeoutMs) {
  HWND ctrl = FindControlOrFail(parent, id);
  if (ctrl == nullptr) return false;
  const DWORD type = ButtonType(ctrl);
  if (!ClassIs(ctrl, "Button") || !IsCheckable(type)) {
    return Fail("control " + std::to_string(id) + " is not a check box or radio button");
  }
  const CheckState want = checked ? CheckState::Checked : CheckState::Unchecked;
  const detail::Deadline deadline(timeoutMs);
  // A three-state box cycles through three states, so it may take two clicks.
  for (int click = 0; click < 3; ++click) {
    const std::optional<CheckState> now = ReadCheck(ctrl);
    if (!now) return false;
    if (*now == want) return true;
    if (IsRadio(type) && !checked) {
      return Fail("radio button " + std::to_string(id) +
                  " cannot be cleared by clicking it; choose another one");
    }
    if (!ClickButton(ctrl)) return false;
    const CheckState before = *now;
    if (!WaitUntil(
            [&] {
              const std::optional<CheckState> s = ReadCheck(ctrl);
              return s && *s != before;
            },
            deadline.Remaining())) {
      return Fail(std::string("clicking ") + (IsRadio(type) ? "radio button " : "check box ") +
                  std::to_string(id) + " did not change it from " + CheckName(before) +
                  " (does its owner handle the click?)");
    }
  }
  const std::optional<CheckState> last = ReadCheck(ctrl);
  if (last && *last == want) return true;
  return Fail("check box " + std::to_string(id) + " never became " + CheckName(want));
}

bool SelectListItem(HWND parent, int id, int index) {
  HWND ctrl = FindControlOrFail(parent, id);
  if (ctrl == nullptr || !CheckOperable(ctrl, "list")) return false;
  const std::optional<std::vector<std::string>> items = ListItems(ctrl);
  if (!items) return false;
  if (index < 0 || static_cast<std::size_t>(index) >= items->size()) {
    return Fail("list " + std::to_string(id) + " has " + std::to_string(items->size()) +
                " items, no index " + std::to_string(index));
  }
  const bool isCombo = ClassIs(ctrl, "ComboBox");
  std::optional<LRESULT> r;
  const DWORD style = static_cast<DWORD>(GetWindowLongA(ctrl, GWL_STYLE));
  if (isCombo) {
    r = Send(ctrl, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  } else if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
    r = Send(ctrl, LB_SETSEL, TRUE, static_cast<LPARAM>(index));
  } else {
    r = Send(ctrl, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  if (!r) return false;
  if (*r == LB_ERR) return Fail("list " + std::to_string(id) + " refused index " + std::to_string(index));
  return PostNotify(ctrl, isCombo ? CBN_SELCHANGE : LBN_SELCHANGE);
}

bool Close(HWND hwnd) {
  if (!IsWindow(hwnd)) return Fail("window " + HwndToString(hwnd) + " does not exist (any more)");
  if (!PostMessageA(hwnd, WM_CLOSE, 0, 0)) {
    return Fail("posting WM_CLOSE to " + HwndToString(hwnd) + " failed: " +
                detail::Win32ErrorText(GetLastError()));
  }
  return true;
}

}  // namespace uiauto
