// The reports' message boxes, apart from how their texts are made, so that
// a program that loads thousands of broken files (a test) can count the
// reports instead of showing them.
#include "platform/error_report.h"
#include "platform/globals.h"

namespace {
const char kCaption[] = "Setup";
// Room for a code's text, what it concerns and the frame.
constexpr int kReportSize = 512;
}  // namespace

void ShowErrorReport(HINSTANCE instance, SetupError code) {
  char text[kReportSize];
  FormatErrorReport(instance, code, text, sizeof text);
  MessageBoxA(nullptr, text, kCaption, MB_TASKMODAL);
}

void ShowErrorReportText(const char* message) {
  char text[kReportSize];
  FrameErrorReport(message, text, sizeof text);
  MessageBoxA(nullptr, text, kCaption, MB_TASKMODAL);
}
