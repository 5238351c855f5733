// Helpers shared by the uiauto source files; not for tests.
#ifndef UIAUTO_UIAUTO_INTERNAL_H
#define UIAUTO_UIAUTO_INTERNAL_H

#include "uiauto.h"

#include <string>
#include <vector>

namespace uiauto {
namespace detail {

// Records why the current call failed (see LastError) and returns false,
// so that failing paths read `return Fail("...");`.
bool Fail(const std::string& why);

// "0x0001A2B4" for log lines.
std::string HwndToString(HWND hwnd);
// Text of a GetLastError() code, with the number.
std::string Win32ErrorText(DWORD code);
// Quotes a window text for a log line, with control characters escaped
// and very long texts shortened.
std::string QuoteForLog(const std::string& text);

// All descendants of root, depth first in z-order (EnumChildWindows).
std::vector<HWND> Descendants(HWND root);
// 0 for a direct child of root.
int DepthBelow(HWND root, HWND hwnd);

// UTF-16 text in the ANSI code page, as the ...A functions would give it.
std::string WideToAnsi(const wchar_t* text, int length);

bool EqualsIgnoreCase(const std::string& a, const std::string& b);

// Ids compared in 16 bits: dialog templates and WM_COMMAND carry only a
// WORD, so a control created with -1 shows up as 0xFFFF or -1 depending
// on the template kind.
inline bool SameControlId(int a, int b) {
  return (static_cast<unsigned>(a) & 0xFFFFu) == (static_cast<unsigned>(b) & 0xFFFFu);
}

// A timeout counted from construction on a steady clock.
class Deadline {
 public:
  explicit Deadline(DWORD timeoutMs);
  bool Passed() const { return Remaining() == 0; }
  DWORD Remaining() const;
  DWORD ElapsedMs() const;

 private:
  unsigned long long startMs_;
  DWORD timeoutMs_;
};

}  // namespace detail
}  // namespace uiauto

#endif  // UIAUTO_UIAUTO_INTERNAL_H
