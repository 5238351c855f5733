#pragma once

class SetupSession;

// Reads the installation lists named in the "Setup" section into the
// session's three item lists and adds up the bytes to install. False after
// a list error has been reported.
bool LoadComponentLists(SetupSession& session);
