#include "engine/install_pass.h"
#include "setupdat/install_item.h"
#include "shell/setup_session.h"
#include "uninstall/removal.h"

// Stand-ins until the uninstaller exists.
bool ConfirmRemoval(SetupSession&, int& confirmed) {
  confirmed = 0;
  return true;
}

bool RunRemove(SetupSession& session, HWND window) {
  session.progressWindow = window;
  return RemoveList(session, ITEM_KIND_FILE, 0) && RemoveList(session, ITEM_KIND_REGISTRY, 0) &&
         RemoveList(session, ITEM_KIND_SHORTCUT, 0);
}

INT_PTR CALLBACK RemovalDlgProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
