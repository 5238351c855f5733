#pragma once

class SetupSession;

// Puts right a run that ended before it could finish (killed, or the
// machine lost), from the journal it left: an installation or upgrade is
// taken back to the machine before it, an uninstall is finished. Says so
// to the user (unattended, in the log) and returns; the run that found the
// journal then goes on with what it was asked. True when there was one.
bool RecoverInterruptedRun(SetupSession& session);
