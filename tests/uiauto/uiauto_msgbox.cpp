// uiauto: message boxes of another process.
// std::min/std::max below, not the windows.h macros.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "uiauto.h"
#include "uiauto_internal.h"

#include <algorithm>
#include <cstdlib>

namespace uiauto {

using detail::Fail;
using detail::HwndToString;
using detail::QuoteForLog;

namespace {

// The buttons MessageBox can show: IDOK (1) to IDCONTINUE (11), IDHELP among them.
constexpr int kFirstBoxButton = IDOK;
constexpr int kLastBoxButton = 11;

// --- RAII for the GDI objects used to look at the icon -----------------------

class WindowDC {
 public:
  explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

class MemoryDC {
 public:
  explicit MemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
  ~MemoryDC() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

class Bitmap {
 public:
  explicit Bitmap(HBITMAP bmp) : bmp_(bmp) {}
  ~Bitmap() {
    if (bmp_ != nullptr) DeleteObject(bmp_);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  HBITMAP get() const { return bmp_; }

 private:
  HBITMAP bmp_;
};

class SelectIn {
 public:
  SelectIn(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectIn() {
    if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectIn(const SelectIn&) = delete;
  SelectIn& operator=(const SelectIn&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// 32-bit top-down pixels (BGRX) of a w x h bitmap.
std::vector<unsigned char> Pixels(HDC dc, HBITMAP bmp, int w, int h) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<unsigned char> px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
  if (GetDIBits(dc, bmp, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS) == 0) {
    px.clear();
  }
  return px;
}

// Mean absolute difference per colour channel, 0..255.
double Difference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  if (a.empty() || a.size() != b.size()) return 255.0;
  unsigned long long sum = 0;
  std::size_t channels = 0;
  for (std::size_t i = 0; i + 3 < a.size(); i += 4) {
    for (std::size_t c = 0; c < 3; ++c) {
      sum += static_cast<unsigned long long>(std::abs(int(a[i + c]) - int(b[i + c])));
      ++channels;
    }
  }
  return channels == 0 ? 255.0 : static_cast<double>(sum) / static_cast<double>(channels);
}

struct IconCandidate {
  MessageBoxIcon kind;
  WORD resourceId;  // IDI_* of the system icon MessageBox uses
};

const IconCandidate kIconCandidates[] = {
    {MessageBoxIcon::Stop, 32513},         // IDI_HAND
    {MessageBoxIcon::Question, 32514},     // IDI_QUESTION
    {MessageBoxIcon::Warning, 32515},      // IDI_EXCLAMATION
    {MessageBoxIcon::Information, 32516},  // IDI_ASTERISK
};

// Whether nothing covers the icon: every probe point belongs to the box.
// (Another box at the same place would otherwise be read instead.)
bool IconUncovered(HWND iconCtrl, POINT origin, int w, int h) {
  HWND root = GetAncestor(iconCtrl, GA_ROOT);
  const int xs[] = {0, w / 2, w - 1};
  const int ys[] = {0, h / 2, h - 1};
  for (const int dx : xs) {
    for (const int dy : ys) {
      const POINT pt = {origin.x + dx, origin.y + dy};
      HWND at = WindowFromPoint(pt);
      if (at == nullptr || GetAncestor(at, GA_ROOT) != root) return false;
    }
  }
  return true;
}

// What the icon control shows on screen, matched against the system icons
// drawn here on the same background. Icon handles of another process
// cannot be read, but the pixels can. Unknown while the box is not yet
// painted, covered, or shows an icon of its own.
MessageBoxIcon LookAtIcon(HWND iconCtrl) {
  RECT rc = {};
  if (!GetClientRect(iconCtrl, &rc)) return MessageBoxIcon::Unknown;
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  if (w <= 0 || h <= 0 || w > 256 || h > 256) return MessageBoxIcon::Unknown;
  POINT origin = {0, 0};
  if (!ClientToScreen(iconCtrl, &origin)) return MessageBoxIcon::Unknown;

  if (!IconUncovered(iconCtrl, origin, w, h)) return MessageBoxIcon::Unknown;

  WindowDC screen(nullptr);
  if (screen.get() == nullptr) return MessageBoxIcon::Unknown;
  MemoryDC mem(screen.get());
  Bitmap shot(CreateCompatibleBitmap(screen.get(), w, h));
  if (mem.get() == nullptr || shot.get() == nullptr) return MessageBoxIcon::Unknown;
  {
    SelectIn sel(mem.get(), shot.get());
    if (!BitBlt(mem.get(), 0, 0, w, h, screen.get(), origin.x, origin.y, SRCCOPY)) {
      return MessageBoxIcon::Unknown;
    }
  }
  const std::vector<unsigned char> seen = Pixels(mem.get(), shot.get(), w, h);
  // Covered while being copied: what was copied may be the other window.
  if (seen.empty() || !IconUncovered(iconCtrl, origin, w, h)) return MessageBoxIcon::Unknown;
  // The corners of the system icons are transparent: the top-left pixel
  // is the dialog background the icon was drawn on.
  const COLORREF background = RGB(seen[2], seen[1], seen[0]);

  MessageBoxIcon best = MessageBoxIcon::Unknown;
  double bestDiff = 255.0;
  double secondDiff = 255.0;
  for (const IconCandidate& candidate : kIconCandidates) {
    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(candidate.resourceId));  // shared, not freed
    if (icon == nullptr) continue;
    Bitmap drawn(CreateCompatibleBitmap(screen.get(), w, h));
    if (drawn.get() == nullptr) continue;
    {
      SelectIn sel(mem.get(), drawn.get());
      HBRUSH brush = CreateSolidBrush(background);
      RECT all = {0, 0, w, h};
      FillRect(mem.get(), &all, brush);
      DeleteObject(brush);
      DrawIconEx(mem.get(), 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    }
    const double diff = Difference(seen, Pixels(mem.get(), drawn.get(), w, h));
    if (diff < bestDiff) {
      secondDiff = bestDiff;
      bestDiff = diff;
      best = candidate.kind;
    } else if (diff < secondDiff) {
      secondDiff = diff;
    }
  }
  // The box draws the very icon we load, so a painted, uncovered icon
  // matches almost exactly. The information and question icons differ
  // only in their glyph (a mean of about 5 per channel under Wine), so
  // the runner-up must be clearly worse.
  constexpr double kMaxDiff = 2.0;
  constexpr double kMinGap = 2.0;
  if (bestDiff <= kMaxDiff && secondDiff - bestDiff >= kMinGap) return best;
  return MessageBoxIcon::Unknown;
}

bool IsIconStatic(DWORD style) { return (style & SS_TYPEMASK) == SS_ICON; }

struct BoxParts {
  HWND text = nullptr;
  HWND icon = nullptr;  // icon control that shows an icon
  std::vector<HWND> buttons;  // visible ones
};

// Splits a dialog into message box parts; false if it has anything a
// message box does not have.
bool SplitMessageBox(HWND hwnd, BoxParts& parts) {
  if (!IsWindowVisible(hwnd) || !detail::EqualsIgnoreCase(WindowClass(hwnd), kDialogClass)) {
    return false;
  }
  // Only cheap calls (no messages to the program) until it looks right:
  // waits call this for every window of the process every few ms.
  HWND iconCtrl = nullptr;
  for (HWND child : detail::Descendants(hwnd)) {
    if (GetParent(child) != hwnd) return false;  // nested dialogs: a property sheet
    const std::string cls = WindowClass(child);
    const int id = ControlId(child);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    const bool visible = IsWindowVisible(child) != FALSE;
    if (detail::EqualsIgnoreCase(cls, "Static")) {
      if (IsIconStatic(style)) {
        if (visible) iconCtrl = child;
      } else if (detail::SameControlId(id, kMessageBoxTextId)) {
        if (parts.text != nullptr) return false;  // two labels: an ordinary dialog
        parts.text = child;
      } else if (visible) {
        return false;
      }
    } else if (detail::EqualsIgnoreCase(cls, "Button")) {
      if (id < kFirstBoxButton || id > kLastBoxButton) return false;
      if (visible) parts.buttons.push_back(child);
    } else if (visible) {
      return false;
    }
  }
  if (parts.text == nullptr || parts.buttons.empty()) return false;
  // The icon control is there (hidden or empty) even without an icon.
  if (iconCtrl != nullptr && Send(iconCtrl, STM_GETICON, 0, 0).value_or(0) != 0) {
    parts.icon = iconCtrl;
  }
  return true;
}

}  // namespace

const char* ToString(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::None: return "none";
    case MessageBoxIcon::Stop: return "stop";
    case MessageBoxIcon::Warning: return "warning";
    case MessageBoxIcon::Information: return "information";
    case MessageBoxIcon::Question: return "question";
    case MessageBoxIcon::Unknown: break;
  }
  return "unknown";
}

bool MessageBoxInfo::HasButton(int id) const {
  return std::find(buttonIds.begin(), buttonIds.end(), id) != buttonIds.end();
}

std::string MessageBoxInfo::ToString() const {
  std::string out = "message box " + HwndToString(hwnd) + " caption " + QuoteForLog(caption) +
                    " text " + QuoteForLog(text) + " icon " + uiauto::ToString(icon) +
                    " buttons";
  for (std::size_t i = 0; i < buttonIds.size(); ++i) {
    out += " " + std::to_string(buttonIds[i]);
    if (i < buttonTexts.size()) out += "=" + QuoteForLog(buttonTexts[i]);
  }
  return out;
}

bool IsMessageBox(HWND hwnd) {
  BoxParts parts;
  return SplitMessageBox(hwnd, parts);
}

std::optional<MessageBoxInfo> ReadMessageBox(HWND hwnd) {
  BoxParts parts;
  if (!SplitMessageBox(hwnd, parts)) {
    Fail("not a message box: " + DescribeWindow(hwnd));
    return std::nullopt;
  }
  MessageBoxInfo box;
  box.hwnd = hwnd;
  box.owner = Owner(hwnd);
  box.caption = WindowText(hwnd);
  box.text = WindowText(parts.text);
  // Left to right as shown, which is not always the order of the ids.
  std::vector<std::pair<LONG, HWND>> byX;
  for (HWND b : parts.buttons) {
    RECT r = {};
    GetWindowRect(b, &r);
    byX.emplace_back(r.left, b);
  }
  std::stable_sort(byX.begin(), byX.end(),
                   [](const std::pair<LONG, HWND>& a, const std::pair<LONG, HWND>& b) {
                     return a.first < b.first;
                   });
  for (const auto& entry : byX) {
    box.buttonIds.push_back(ControlId(entry.second));
    box.buttonTexts.push_back(WindowText(entry.second));
  }
  box.hasIcon = parts.icon != nullptr;
  if (box.hasIcon) {
    // A box just created may not be painted yet; give it a moment.
    MessageBoxIcon seen = MessageBoxIcon::Unknown;
    WaitUntil(
        [&] {
          seen = LookAtIcon(parts.icon);
          return seen != MessageBoxIcon::Unknown;
        },
        1000);
    box.icon = seen;
  }
  return box;
}

std::optional<MessageBoxInfo> FindMessageBox(DWORD processId) {
  for (HWND hwnd : TopLevelWindows(processId)) {
    if (IsMessageBox(hwnd)) return ReadMessageBox(hwnd);
  }
  Fail("process " + std::to_string(processId) + " shows no message box");
  return std::nullopt;
}

std::optional<MessageBoxInfo> WaitForMessageBox(const Process& process, DWORD timeoutMs) {
  const std::optional<HWND> hwnd = WaitForWindow(process, IsMessageBox, timeoutMs);
  if (!hwnd) {
    Fail("waiting for a message box: " + LastError());
    return std::nullopt;
  }
  return ReadMessageBox(*hwnd);
}

bool Answer(const MessageBoxInfo& box, int buttonId) {
  if (!box.HasButton(buttonId)) {
    return Fail("cannot answer " + std::to_string(buttonId) + ": " + box.ToString());
  }
  return ClickButton(box.hwnd, buttonId);
}

std::string MessageBoxLog::ToString() const {
  std::string out = std::to_string(boxes.size()) + " message box(es)";
  if (exited) {
    out += ", process ended with exit code " + (exitCode ? std::to_string(*exitCode) : "?");
  }
  if (!error.empty()) out += ", stopped: " + error;
  out += "\n";
  for (const AnsweredMessageBox& b : boxes) {
    out += "  " + b.box.ToString() + " -> answered " + std::to_string(b.answer) + "\n";
  }
  return out;
}

MessageBoxLog CollectMessageBoxes(const Process& process, DWORD timeoutMs,
                                  const std::function<int(const MessageBoxInfo&)>& chooseAnswer) {
  MessageBoxLog log;
  const detail::Deadline deadline(timeoutMs);
  for (;;) {
    if (!process.IsRunning()) {
      log.exited = true;
      log.exitCode = process.ExitCode();
      return log;
    }
    std::optional<MessageBoxInfo> box;
    for (HWND hwnd : TopLevelWindows(process.Id())) {
      if (IsMessageBox(hwnd)) {
        box = ReadMessageBox(hwnd);
        if (box) break;
      }
    }
    if (box) {
      const int answer = chooseAnswer(*box);
      if (!Answer(*box, answer)) {
        log.error = LastError();
        return log;
      }
      log.boxes.push_back(AnsweredMessageBox{*box, answer});
      // Wait for this box to go so that it is not answered twice.
      if (!WaitForWindowGone(box->hwnd, std::max<DWORD>(deadline.Remaining(), 1000))) {
        log.error = "message box stayed after answering " + std::to_string(answer) + ": " +
                    box->ToString();
        return log;
      }
      continue;
    }
    const DWORD left = deadline.Remaining();
    if (left == 0) {
      log.error = "timed out after " + std::to_string(timeoutMs) + " ms; " + Describe(process);
      return log;
    }
    // Sleeps until the process ends or it is time to look again.
    WaitForSingleObject(process.NativeHandle(), left < kPollIntervalMs ? left : kPollIntervalMs);
  }
}

MessageBoxLog CollectMessageBoxes(const Process& process, DWORD timeoutMs, int answer) {
  return CollectMessageBoxes(process, timeoutMs, [answer](const MessageBoxInfo&) { return answer; });
}

}  // namespace uiauto
