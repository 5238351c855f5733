#include "session/code_page_check.h"

#include <memory>

namespace {

// Past the program's name, split off as the C runtime splits it: quoted,
// or up to the first blank.
const wchar_t* SkipProgramName(const wchar_t* text) {
  if (*text == L'"') {
    ++text;
    while (*text && *text != L'"') ++text;
    if (*text) ++text;
  } else {
    while (*text && *text != L' ' && *text != L'\t') ++text;
  }
  return text;
}

}  // namespace

bool ArgumentsFitCodePage(const wchar_t* wideCommandLine) {
  if (!wideCommandLine) return true;
  const wchar_t* arguments = SkipProgramName(wideCommandLine);
  if (!*arguments) return true;
  const int narrowSize = WideCharToMultiByte(CP_ACP, 0, arguments, -1, nullptr, 0, nullptr, nullptr);
  if (narrowSize <= 0) return false;
  std::unique_ptr<char[]> narrow(new char[static_cast<std::size_t>(narrowSize)]);
  if (!WideCharToMultiByte(CP_ACP, 0, arguments, -1, narrow.get(), narrowSize, nullptr, nullptr)) return false;
  const int wideSize = MultiByteToWideChar(CP_ACP, 0, narrow.get(), -1, nullptr, 0);
  if (wideSize <= 0) return false;
  std::unique_ptr<wchar_t[]> back(new wchar_t[static_cast<std::size_t>(wideSize)]);
  if (!MultiByteToWideChar(CP_ACP, 0, narrow.get(), -1, back.get(), wideSize)) return false;
  // A look-alike or a "?" in place of a character reads back as another.
  const wchar_t* original = arguments;
  for (const wchar_t* at = back.get(); *at || *original; ++at, ++original) {
    if (*at != *original) return false;
  }
  return true;
}
