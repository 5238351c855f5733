#pragma once
#include "setupdat/install_log.h"

class SetupSession;

// Removes a file that an install log names, as far as it is the product's:
// a shared file only when this product raised its count and the count
// falls to 0, any other file only when this product created or replaced
// it. A file already gone counts as removed; one in use goes at the next
// restart. False only when the file should go and cannot, not even then.
bool RemoveLoggedFile(SetupSession& session, const LogEntry& entry);

// Deletes the help engine's companions of a help file (same name, endings
// GID, FTS and FTG), at the restart when they are in use. Nothing for other
// files.
void RemoveHelpCompanions(SetupSession& session, const char* path);

// When `path` is the program that started this uninstall's copy of itself
// (still running, so that it cannot be deleted), moves it out beside the
// copy, where it goes at the next restart; true when it did.
bool ParkRunningOriginal(const char* path);
