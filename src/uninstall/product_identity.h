#pragma once
#include <windows.h>

#include <string>

#include "platform/globals.h"
#include "setupdat/install_log.h"

class SetupSession;

// A product is known by its uninstall entry: a key under
// Software\Microsoft\Windows\CurrentVersion\Uninstall of ProductRoot()
// (HKEY_LOCAL_MACHINE, or HKEY_CURRENT_USER for a per-user installation).
// Its name is the one "UninstallKey" in [Setup] gives, else the one the
// product's own registry lines write, else one made from the installation
// folder, so that a product without an entry is still found again there.
// The entry holds the installation folder and the checksum of the
// product's install log: only administrators (or, per-user, the user
// alone) can write there, so a log that was edited, or that names another
// folder, is never trusted.

// The key name; `folder` is used only when nothing else names one.
std::string ProductKeyName(SetupSession& session, const std::string& folder);
// The path of the entry below ProductRoot().
std::string ProductKeyPath(SetupSession& session, const std::string& name);
// The name only when Setup.dat names one itself (no folder needed).
std::string NamedProductKey(SetupSession& session);

// The value of the entry that holds the log's checksum.
extern const char kLogChecksumValue[];

// The path of the install log in `folder`. False when it does not fit.
bool InstallLogPath(SetupSession& session, const std::string& folder, char (&path)[kPathSize]);

// A folder that an uninstall may empty: a full local or network path
// without "." or ".." steps, neither a drive's root nor a folder of
// Windows itself or the Program Files folder, nor one that holds them.
bool IsSafeProductFolder(const std::string& folder);

// Reads the log of the product installed in `folder` and checks it against
// its entry and the folder: true only when every check passes.
bool ReadTrustedLog(SetupSession& session, const std::string& folder, InstallLog& log);

// The folder in which the product under `keyName` is installed, when its
// entry has one; empty otherwise.
std::string InstalledFolder(SetupSession& session, const std::string& keyName);

// Whether the path or key `folder` is `other` or lies inside it, without
// regard to case.
bool IsWithin(const std::string& folder, const std::string& other);

// Removes a trailing backslash (not a root's).
std::string WithoutTrailingBackslash(std::string folder);
