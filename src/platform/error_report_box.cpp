// The reports' message boxes, apart from how their texts are made, so that
// a program that loads thousands of broken files (a test) can count the
// reports instead of showing them.
#include "platform/error_report.h"
#include "platform/globals.h"
#include "platform/run_log.h"

namespace {
const char kCaption[] = "Setup";
// Room for a code's text, what it concerns and the frame.
constexpr int kReportSize = 512;

// Unattended, the report goes to the log and the exit code only.
void Show(const char* text) {
  LogEvent("error: %s", text);
  if (!g_silent) MessageBoxA(nullptr, text, kCaption, MB_TASKMODAL);
}
}  // namespace

void ShowErrorReport(HINSTANCE instance, SetupError code) {
  char text[kReportSize];
  FormatErrorReport(instance, code, text, sizeof text);
  Show(text);
}

void ShowErrorReportText(const char* message) {
  char text[kReportSize];
  FrameErrorReport(message, text, sizeof text);
  Show(text);
}
