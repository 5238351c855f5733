#include <new>

#include "engine/install_pass.h"
#include "engine/progress_window.h"
#include "resources/resource_ids.h"
#include "setupdat/install_item.h"
#include "session/setup_session.h"
#include "uninstall/removal.h"

namespace {

// The passes pump no messages: the stage is painted here, or never.
void ShowStage(HWND window, const char* text) {
  if (!window) return;
  SetDlgItemTextA(window, IDC_REMOVAL_STAGE, text);
  UpdateWindow(window);
}

bool RemovePasses(SetupSession& session, HWND window) {
  const WORD linkFlags = session.LinkFlags();
  session.progressWindow = window;
  ShowStage(window, "Removing files");
  if (!RemoveList(session, ITEM_KIND_FILE, 0)) return false;
  ShowStage(window, "Removing registry entries");
  if (!RemoveList(session, ITEM_KIND_REGISTRY, 0)) return false;
  ShowStage(window, "Removing shortcuts");
  return RemoveList(session, ITEM_KIND_SHORTCUT, linkFlags) != 0;
}

}  // namespace

bool RunRemove(SetupSession& session, HWND window) {
  // An error thrown by an item ends the removal as failed, after its
  // report: the user is then told that files may remain.
  try {
    return RemovePasses(session, window);
  } catch (SetupError& code) {
    session.ReportError(code);
  } catch (std::bad_alloc&) {
    session.ReportError(SETUP_ERR_NO_MEMORY);
  }
  return false;
}

void RunRollback(SetupSession& session) {
  session.progressWindow = nullptr;
  RollbackList(session, ITEM_KIND_FILE);
  RollbackList(session, ITEM_KIND_REGISTRY);
  RollbackList(session, ITEM_KIND_SHORTCUT);
}

INT_PTR CALLBACK RemovalDlgProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  // The window has no buttons: only its start-up is handled.
  if (message != WM_INITDIALOG) return FALSE;
  CentreOnOwner(dialog);
  SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  SetDlgItemTextA(dialog, IDC_REMOVAL_STAGE, "");
  return TRUE;
}
