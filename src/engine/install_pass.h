#pragma once
#include <windows.h>

class SetupSession;

// Expands the installation variables in every item, files, then registry
// entries, then shortcuts. 0 after an error was reported.
int ExpandItems(SetupSession& session);
// Forward pass over one list: 0 for an absent list, 1 for an empty one,
// else the result of the last Install called.
int InstallList(SetupSession& session, WORD kind, WORD argument);
// Backward pass over one list with Remove; results as InstallList.
int RemoveList(SetupSession& session, WORD kind, WORD argument);
// Backward pass with Rollback over every item of one list; nothing stops it.
void RollbackList(SetupSession& session, WORD kind);
// The install step inside the progress window: 1 when everything was
// installed and the uninstall information recorded, 0 on failure or cancel.
// Either way the items keep what a rollback needs until CommitItems.
int RunInstall(SetupSession& session, HWND progressWindow);
// Forward walk with Commit over every list once the installation stands:
// the old files kept aside for a rollback are no longer needed.
void CommitItems(SetupSession& session);
