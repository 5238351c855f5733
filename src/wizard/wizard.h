#pragma once

class SetupSession;

// True while an application that must be closed is still running and the
// user answered OK (check again); `cancelled` is set when the user gave up.
bool CheckRunningApplication(SetupSession& session, int& cancelled);
// True when there is no licence or the user agreed to it.
bool ShowLicense(SetupSession& session);
// True when the user finished the wizard.
bool RunWizard(SetupSession& session);
// The completion dialog; ends with the restart offer.
void ShowCompletion(SetupSession& session);
