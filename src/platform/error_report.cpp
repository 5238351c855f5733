#include "platform/error_report.h"

#include <new>

#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "platform/string_table.h"

namespace {
const char kCaption[] = "Setup";
}  // namespace

void ShowStringMessage(HWND owner, UINT id, UINT style) { ShowStringMessageWith(owner, id, nullptr, style); }

void ShowStringMessageWith(HWND owner, UINT id, const char* detail, UINT style) {
  char text[kTextSize];
  if (!LoadTableString(g_instance, id, text, sizeof text)) CopyText(text, sizeof text, "Out of memory");
  char message[kTextSize + kPathSize + 4];
  FormatText(message, sizeof message, detail && detail[0] ? "%s\n\n%s" : "%s", text, detail);
  LogEvent("message: %s", message);
  if (!g_silent) MessageBoxA(owner, message, kCaption, style);
}

void FormatErrorReport(HINSTANCE instance, SetupError code, char* buffer, int size) {
  char message[kTextSize];
  if (!LoadTableString(instance, SetupErrorStringId(code), message, sizeof message))
    FormatText(message, sizeof message, "Error %d", code);
  FrameErrorReport(message, buffer, size);
}

void FrameErrorReport(const char* message, char* buffer, int size) {
  if (size <= 0) return;
  FormatText(buffer, static_cast<std::size_t>(size), "%s\nPlease contact Veltrop Software. Installation will end",
             message);
}

void ThrowSetupError(SetupError code) { throw code; }

SetupError CaughtError() {
  try {
    throw;
  } catch (SetupError code) {
    return code;
  } catch (std::bad_alloc&) {
    return SETUP_ERR_NO_MEMORY;
  }
}
