#pragma once
#include <windows.h>

#include <cstddef>

// The exit codes of a run, the ones deployment tools understand.
enum ExitCode : int {
  EXIT_DONE = 0,
  EXIT_RESTART_NEEDED = 3010,
  EXIT_CANCELLED = 1602,   // by the user, or declined
  EXIT_FAILED = 1603,      // a fatal error, or a rollback
  EXIT_ALREADY_RUNNING = 1618,
};

// The log that "/LOG=" asks for: a plain text file, one line per event,
// each with its time. Every line is written to the file as it happens, so
// that the log survives a crash. Without OpenRunLog nothing is written.

// Creates (or empties) the log file, or with `append` goes on at its end.
// False when it cannot be written.
bool OpenRunLog(const char* path, bool append);
// Closes the log while another run writes it, and opens it again at its
// end once that run has ended.
void PauseRunLog();
void ResumeRunLog();
// One event, formatted like printf; cut at 1,000 characters, never overrun.
void LogEvent(const char* format, ...);
// One failure: "WHAT: OBJECT: the system's own text for `error`". The
// administrator reading the log gets the reason in the system's words.
void LogFailure(const char* what, const char* object, DWORD error);
// The system's text for `error`, without its line end, always terminated;
// "error N" when the system has none.
void SystemMessage(DWORD error, char* text, std::size_t size);
// Whether a log is being written.
bool RunLogOpen();
