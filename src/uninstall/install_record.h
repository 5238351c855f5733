#pragma once
#include <windows.h>

#include <string>

class SetupSession;

// The install log's side of an installation run (see setupdat/install_log.h).

// After the load: when the product is installed already and its log can
// be trusted, proposes its folder (unless "/D=" chose one) and keeps that
// log as the one this run updates.
void FindInstalledProduct(SetupSession& session);

// Before the expansion, with the installation folder chosen: settles the
// product's uninstall entry and the installation this run updates, and
// adds to the registry list the entry's values that the lists do not
// write themselves (InstallLocation, EstimatedSize, NoModify, NoRepair,
// DisplayVersion, Publisher), so that they are installed, rolled back and
// removed like the product's own. Throws SETUP_ERR_UNINSTALL_INFO for a
// folder that could not be removed safely (a drive's root, Windows' own),
// SETUP_ERR_NO_MEMORY.
void PrepareProductRecord(SetupSession& session);

// After every list was installed: writes the product's install log, what
// this run did merged with what the installation it updates did, and its
// checksum into the uninstall entry. False after the failure was reported:
// the installation must be rolled back.
bool RecordInstallLog(SetupSession& session);

// The installation stands: removes what the installation it updated had
// and this one no longer installs, by the same rules as an uninstall.
void RemoveDroppedItems(SetupSession& session);

// A rollback: the log and the entry's checksum as they were before.
void TakeBackInstallLog(SetupSession& session);

// The log at `path` as it was before an installation replaced it (kept
// beside it as ".old"), or gone when it had none.
void RestoreReplacedLog(const char* path);
// The checksum in the uninstall entry below ProductRoot() back to
// `old`, or removed when that is empty.
void RestoreEntryChecksum(const char* entryKey, const char* old);
