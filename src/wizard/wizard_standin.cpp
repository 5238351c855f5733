#include "engine/restart.h"
#include "shell/setup_session.h"
#include "wizard/wizard.h"

// Stand-ins until the wizard and its dialogs exist: the run goes straight
// through with the defaults of Setup.dat.
bool CheckRunningApplication(SetupSession&, int&) { return false; }
bool ShowLicense(SetupSession&) { return true; }
bool RunWizard(SetupSession&) { return true; }
void ShowCompletion(SetupSession& session) { OfferRestart(session, session.window); }
