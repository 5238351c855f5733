#include "engine/install_pass.h"

#include <commctrl.h>

#include <cstdio>
#include <new>

#include "engine/pass_messages.h"
#include "engine/progress_weights.h"
#include "engine/progress_window.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"
#include "setupdat/install_item.h"
#include "session/setup_session.h"

namespace {

// The value of variable `key` (at most 259 characters), or the empty text.
void VariableText(const SetupSession& session, unsigned char key, char (&text)[kPathSize]) {
  text[0] = '\0';
  if (const Variable* variable = session.variables->FindKey(key)) variable->GetValue(text, kPathSize - 1);
}

// From here on the run's profile reads and writes go to the copy of
// Setup.dat in the installation folder. A path that would not fit leaves
// the run on the installation set's file rather than on a cut name.
bool PointAtInstalledSetupDat(SetupSession& session) {
  char fileName[kPathSize];
  LoadNameString(session.instance, IDS_SETUPDAT_FILE, fileName, sizeof fileName);
  char pattern[kPathSize + 4];
  FormatText(pattern, sizeof pattern, "%%0%s", fileName);
  GlobalBlock expanded;
  session.variables->ExpandText(pattern, expanded);
  BlockLock<const char> path(expanded);
  if (!path || !session.setupDatPath) return false;
  char installed[kPathSize];
  if (!CopyText(installed, sizeof installed, path.get())) return false;
  CopyText(session.setupDatPath.get(), kPathSize, installed);
  return true;
}

// The uninstall information, in the order an uninstall run reads it back.
// An installation that could not be uninstalled is no success: a record
// that cannot be written throws SETUP_ERR_UNINSTALL_INFO, and the run
// rolls back.
void RecordUninstallInfo(SetupSession& session, WORD linkFlags) {
  char setPath[kPathSize] = {};
  if (session.setupDatPath) CopyText(setPath, sizeof setPath, session.setupDatPath.get());
  if (!PointAtInstalledSetupDat(session)) ThrowSetupError(SETUP_ERR_UNINSTALL_INFO);
  char text[kPathSize];
  VariableText(session, '0', text);
  bool written = session.WriteSetupString(IDS_SECTION_UNINSTALL, IDS_KEY_INSTALLFOLDER, text);
  VariableText(session, 'H', text);
  written = written && session.WriteSetupString(IDS_SECTION_UNINSTALL, IDS_KEY_INSTALLGROUP, text);
  written = written && session.WriteSetupNumber(IDS_SECTION_UNINSTALL, IDS_KEY_INSTALLLINKS, linkFlags);
  if (!written) {
    // A failed run stays on the installation set's file.
    CopyText(session.setupDatPath.get(), kPathSize, setPath);
    ThrowSetupError(SETUP_ERR_UNINSTALL_INFO);
  }
}

int RunInstallPasses(SetupSession& session, HWND progressWindow) {
  const WORD linkFlags = session.LinkFlags();
  session.progressWindow = progressWindow;
  session.progress = ProgressDisplay();
  PlanProgress(session, linkFlags);

  {
    // The staging folders go with the file pass, however it ends; only one
    // holding a file left for the restart stays.
    struct Sweep {
      StagingFolders& staging;
      ~Sweep() { staging.RemoveAll(); }
    } sweep{session.staging};
    if (!InstallList(session, ITEM_KIND_FILE, 0)) return 0;
  }
  // The last file and the bar as the file pass left them, then the stage.
  FlushProgress(session);
  ShowProgressStage(session, "Registry entries");
  if (!InstallList(session, ITEM_KIND_REGISTRY, 0)) return 0;
  ShowProgressStage(session, "Creating shortcuts");
  if (!InstallList(session, ITEM_KIND_SHORTCUT, linkFlags)) return 0;

  RecordUninstallInfo(session, linkFlags);
  return 1;
}

}  // namespace

void CommitItems(SetupSession& session) {
  for (WORD kind = ITEM_KIND_FILE; kind <= ITEM_KIND_SHORTCUT; ++kind) {
    ItemList* list = session.list(kind);
    if (!list) continue;
    InstallItem* item = nullptr;
    for (bool more = list->First(item); more; more = list->Next(item)) item->Commit();
  }
}

int ExpandItems(SetupSession& session) {
  try {
    for (WORD kind = ITEM_KIND_FILE; kind <= ITEM_KIND_SHORTCUT; ++kind) {
      ItemList* list = session.list(kind);
      if (!list) continue;
      InstallItem* item = nullptr;
      for (bool more = list->First(item); more; more = list->Next(item)) item->Expand();
    }
    return 1;
  } catch (SetupError& code) {
    session.ReportError(code);
    return 0;
  }
}

int InstallList(SetupSession& session, WORD kind, WORD argument) {
  ItemList* list = session.list(kind);
  if (!list) return 0;
  InstallItem* item = nullptr;
  int result = 1;
  for (bool more = list->First(item); more && result; more = list->Next(item)) {
    result = item->Install(argument);
    if (result) AdvanceProgressFixed(session, FixedCost(*item, argument));
    KeepPassAlive();
  }
  return result;
}

int RemoveList(SetupSession& session, WORD kind, WORD argument) {
  ItemList* list = session.list(kind);
  if (!list) return 0;
  InstallItem* item = nullptr;
  int result = 1;
  for (bool more = list->Last(item); more && result; more = list->Prev(item)) {
    result = item->Remove(argument);
    KeepPassAlive();
  }
  return result;
}

void RollbackList(SetupSession& session, WORD kind) {
  ItemList* list = session.list(kind);
  if (!list) return;
  InstallItem* item = nullptr;
  for (bool more = list->Last(item); more; more = list->Prev(item)) {
    // Each item puts back its own part; one that cannot must not keep the
    // others from theirs.
    try {
      item->Rollback();
    } catch (SetupError&) {
    } catch (std::bad_alloc&) {
    }
    KeepPassAlive();
  }
}

int RunInstall(SetupSession& session, HWND progressWindow) {
  // An error thrown by an item (a registry value that cannot be written,
  // memory running out) is reported here and fails the run like a cancel,
  // so that the caller rolls back; it never reaches the window procedure.
  try {
    return RunInstallPasses(session, progressWindow);
  } catch (...) {
    session.ReportError(CaughtError());
  }
  return 0;
}
