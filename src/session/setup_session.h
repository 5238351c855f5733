#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/progress_window.h"
#include "engine/set_checksums.h"
#include "engine/staging_folders.h"
#include "setupdat/install_log.h"
#include "setupdat/item_list.h"
#include "platform/global_memory.h"
#include "platform/globals.h"
#include "platform/setup_error.h"
#include "variables/variable_table.h"

// Private messages of the main window, each one step of the run. Each is
// posted by the main window to itself, with both parameters 0, when the
// step before has succeeded.
enum SetupMessage : UINT {
  WM_SETUP_LOAD = WM_USER + 101,           // posted on WM_CREATE
  WM_SETUP_WIZARD = WM_USER + 102,         // after the load, installation runs
  WM_SETUP_EXPAND = WM_USER + 103,         // after the wizard or the confirmation
  WM_SETUP_CONFIRMREMOVE = WM_USER + 104,  // after the load, uninstall runs
  WM_SETUP_INSTALL = WM_USER + 105,        // after the expansion, installation runs
  WM_SETUP_REMOVE = WM_USER + 106,         // after the expansion, uninstall runs
};

// Choices of the completion dialog.
enum CompletionOption : DWORD {
  COMPLETION_RUN_EXECUTE = 1,
  COMPLETION_OPEN_VIEW = 2,
  COMPLETION_OFFER_EXECUTE = 4,
  COMPLETION_OFFER_VIEW = 8,
};

// The state of one run, owned by the main window from WM_CREATE to
// WM_DESTROY.
class SetupSession {
public:
  // Creates the variable table and gathers the predefined variables.
  SetupSession(HINSTANCE instance, HWND window, const char* commandPath);
  ~SetupSession();
  SetupSession(const SetupSession&) = delete;
  SetupSession& operator=(const SetupSession&) = delete;

  // The fatal error report for `code`.
  void ReportError(SetupError code);

  // Sets the variables taken from the system and the command line. False
  // after a failure has been reported: the run must end.
  bool SetSystemVariables(const char* commandPath);

  // Reads Setup.dat and its lists. False after the error was reported.
  bool LoadSetupInfo();

  // Makes the installation per-user or machine-wide (g_userScope): the
  // programs folder %P and the link folders %D, %R and %G follow.
  void ApplyScope(bool user);
  // Proposes the installation folder of "DefaultFolder" (%0), expanded
  // with the variables as they stand. Throws SETUP_ERR_NO_MEMORY.
  void ProposeFolder();

  // Readers of the Setup.dat in use. A key is absent when the file lacks
  // it or its value begins with "!"; then the buffer is left as it was.
  // Names by string-table number throw SETUP_ERR_NO_STRING when missing.
  bool GetSetupString(UINT sectionId, UINT keyId, char* buffer, std::size_t size) const;
  bool GetProfileText(const char* section, const char* key, char* buffer, std::size_t size) const;
  bool GetSetupNumber(UINT sectionId, UINT keyId, int& number) const;
  bool GetProfileNumber(const char* section, const char* key, int& number) const;

  // Writers of the Setup.dat in use: false when the platform could not
  // write the key (or there is no file yet). Names by string-table number
  // throw SETUP_ERR_NO_STRING when missing.
  bool WriteSetupString(UINT sectionId, UINT keyId, const char* text) const;
  bool WriteProfileText(const char* section, const char* key, const char* text) const;
  bool WriteSetupNumber(UINT sectionId, UINT keyId, DWORD number) const;
  bool WriteProfileNumber(const char* section, const char* key, DWORD number) const;

  // Background painting of the main window.
  bool PaintBackground(HDC dc);
  bool PaintTitle(HDC dc);

  // True when the predefined variables could all be gathered.
  bool started() const { return started_; }

  // The shortcut location mask of the three choices.
  WORD LinkFlags() const {
    return static_cast<WORD>((linkGroup ? LINK_GROUP : 0) | (linkStartup ? LINK_STARTUP : 0) |
                             (linkDesktop ? LINK_DESKTOP : 0));
  }

  ItemList* list(WORD kind) const { return kind >= 1 && kind <= 3 ? lists[kind - 1].get() : nullptr; }

  DWORD totalBytes = 0;
  HINSTANCE instance;
  HWND progressWindow = nullptr;
  ProgressDisplay progress;  // what progressWindow is to show next
  StagingFolders staging;    // where the install pass expands its files
  SetChecksums checksums;    // what the kit recorded of the set's files
  std::unique_ptr<ItemList> lists[3];
  DWORD restartNeeded = 0;
  HWND window;
  DWORD bytesDone = 0;
  std::unique_ptr<VariableTable> variables;
  int linkGroup = 0;
  int linkDesktop = 0;
  int linkStartup = 0;
  std::unique_ptr<char[]> setupDatPath;  // 260 bytes once the load step has run
  DWORD completionOptions = 0;
  // The author's words for the completion's View box ("ViewText"); empty:
  // the dialog's own. Read with the set's Setup.dat, which is no longer
  // the one read once the installed copy has taken its place.
  GlobalBlock viewText;
  // The user answered Cancel to a question of the install pass: the run
  // that rolls back then ends as cancelled, not as failed.
  bool cancelledByUser = false;

  // The product's uninstall entry (its key name) and, when this run updates
  // an installed product, the log of that installation.
  std::string productKey;
  std::unique_ptr<InstallLog> previousLog;
  // The log this installation wrote, once it stands.
  std::unique_ptr<InstallLog> writtenLog;
  // An uninstall run: the log it was allowed to act on, and the first
  // thing of it that could not be removed.
  std::unique_ptr<InstallLog> removalLog;
  std::string removalFailure;
  std::vector<std::size_t> removalDone;  // entries an interrupted uninstall removed
  // What this installation did to the install log and the uninstall entry,
  // for a rollback.
  LogPlacement logPlacement;
  // Setup.dat lets the user choose for whom to install ("Scope=choose").
  bool scopeChoice = false;
  // Whether the files must keep to what a user without rights may do: in
  // a per-user installation, and in a set that lets the user choose one.
  bool PerUserRules() const { return g_userScope || scopeChoice; }
  // The user chose every user on the welcome page of a run without the
  // rights: the run hands over to an elevated one instead of installing.
  bool elevationWanted = false;
  // The Program Files folder, %P of a machine-wide installation.
  std::string machinePrograms;

private:
  bool started_ = false;
};

