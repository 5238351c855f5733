#include "platform/run_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "platform/format_text.h"
#include "platform/string_table.h"
#include "platform/unique_handle.h"

namespace {

FileHandle& LogFile() {
  static FileHandle file;
  return file;
}

char g_logPath[MAX_PATH];

}  // namespace

bool OpenRunLog(const char* path, bool append) {
  if (!CopyText(g_logPath, sizeof g_logPath, path)) return false;
  LogFile().reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (append) SetFilePointer(LogFile().get(), 0, nullptr, FILE_END);
  return LogFile().valid();
}

void PauseRunLog() { LogFile().reset(); }

void ResumeRunLog() {
  if (g_logPath[0]) OpenRunLog(g_logPath, true);
}

bool RunLogOpen() { return LogFile().valid(); }

void LogEvent(const char* format, ...) {
  if (!LogFile()) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char line[1100];
  int length = FormatText(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay,
                          now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  va_list arguments;
  va_start(arguments, format);
  const int room = static_cast<int>(sizeof line) - length - 3;
  const int written = FormatTextV(line + length, static_cast<std::size_t>(room), format, arguments);
  va_end(arguments);
  // A cut event keeps what fitted.
  length += written < 0 ? room - 1 : written;
  line[length++] = '\r';
  line[length++] = '\n';
  DWORD done = 0;
  // Straight to the file: a line written is a line kept, whatever follows.
  WriteFile(LogFile().get(), line, static_cast<DWORD>(length), &done, nullptr);
}

void SystemMessage(DWORD error, char* text, std::size_t size) {
  if (!text || size == 0) return;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                static_cast<DWORD>(size), nullptr);
  if (length == 0 || length >= size) {
    FormatText(text, size, "error %lu", static_cast<unsigned long>(error));
    return;
  }
  while (length > 0 &&
         (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ' || text[length - 1] == '.'))
    --length;
  text[length] = '\0';
}

void LogFailure(const char* what, const char* object, DWORD error) {
  if (!LogFile()) return;
  char reason[300];
  SystemMessage(error, reason, sizeof reason);
  LogEvent("%s: %s: %s (error %lu)", what, object, reason, static_cast<unsigned long>(error));
}
