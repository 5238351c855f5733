#include "engine/install_pass.h"

#include "shell/setup_session.h"

// Stand-ins until the install engine exists: nothing to expand or install.
int ExpandItems(SetupSession&) { return 1; }
int InstallList(SetupSession& session, WORD kind, WORD) { return session.list(kind) ? 1 : 0; }
int RemoveList(SetupSession& session, WORD kind, WORD) { return session.list(kind) ? 1 : 0; }
int RunInstall(SetupSession&, HWND) { return 1; }
