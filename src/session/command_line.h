#pragma once

// Reads "/U" (any case, also quoted whole as "/U") and the folder from the
// command line into g_uninstallMode and g_commandPath. One enclosing pair
// of double quotation marks around the folder is removed, as Windows users
// quote paths with blanks. False, with g_commandPath left empty, when the
// folder does not fit a path buffer: the caller refuses the run rather
// than use a cut path.
bool ParseCommandLine(const char* commandLine);
