// Runs one restart operation of the engine in a process of its own, so that
// a test can choose the Windows version it sees (Wine reads it per program
// name from HKCU\Software\Wine\AppDefaults). The exit code tells the test
// what happened:
//   bit 0  ReplaceAtRestart (DeleteAtRestart) returned nonzero
//   bit 1  the session's restartNeeded was set
//   bit 2  IsWindowsNT
//
//   restart_probe replace <new file> <target>
//   restart_probe delete <file>
//   restart_probe offer          (restartNeeded set, then OfferRestart)
//   restart_probe version
#include <windows.h>

#include <cstring>

#include "engine/restart.h"
#include "platform/globals.h"
#include "session/setup_session.h"

int main(int argc, char** argv) {
  g_instance = GetModuleHandleA(nullptr);
  if (argc < 2) return 255;
  SetupSession session(g_instance, nullptr, "");
  int result = 0;
  if (std::strcmp(argv[1], "replace") == 0 && argc == 4) {
    if (ReplaceAtRestart(session, argv[2], argv[3])) result |= 1;
  } else if (std::strcmp(argv[1], "delete") == 0 && argc == 3) {
    if (DeleteAtRestart(session, argv[2])) result |= 1;
  } else if (std::strcmp(argv[1], "offer") == 0) {
    session.restartNeeded = 1;
    OfferRestart(session, nullptr);
  } else if (std::strcmp(argv[1], "version") != 0) {
    return 255;
  }
  if (session.restartNeeded) result |= 2;
  if (IsWindowsNT()) result |= 4;
  return result;
}
