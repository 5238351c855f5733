#include "engine/restart.h"

#include "shell/setup_session.h"

// Stand-in until replacement at restart exists: nothing is ever pending.
void OfferRestart(SetupSession&, HWND) {}
