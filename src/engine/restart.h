#pragma once
#include <windows.h>

class SetupSession;

// Asks whether to restart Windows when a file waits for the next restart.
void OfferRestart(SetupSession& session, HWND owner);
