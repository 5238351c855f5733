#include "engine/progress_weights.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "session/setup_session.h"
#include "setupdat/install_item.h"

unsigned long long FixedCost(InstallItem& item, WORD linkFlags) {
  switch (item.GetKind()) {
    case ITEM_KIND_FILE:
      return kFileCost;
    case ITEM_KIND_REGISTRY:
      return kRegistryEntryCost;
    case ITEM_KIND_SHORTCUT: {
      // An item of another class in the shortcut list makes no link.
      const WORD places = static_cast<WORD>(item.LinkLocations() & linkFlags);
      unsigned long long cost = 0;
      for (WORD bit = LINK_GROUP; bit <= LINK_DESKTOP; bit = static_cast<WORD>(bit << 1))
        if (places & bit) cost += kLinkCost;
      return cost;
    }
  }
  return 0;
}

void PlanProgress(SetupSession& session, WORD linkFlags) {
  ProgressDisplay& display = session.progress;
  display.total = session.totalBytes;
  for (WORD kind = ITEM_KIND_FILE; kind <= ITEM_KIND_SHORTCUT; ++kind) {
    ItemList* list = session.list(kind);
    if (!list) continue;
    InstallItem* item = nullptr;
    for (bool more = list->First(item); more; more = list->Next(item))
      display.total += FixedCost(*item, kind == ITEM_KIND_SHORTCUT ? linkFlags : 0);
  }
  // The bar counts KiB over a 32-bit range, so that large installations
  // stay proportional instead of wrapping at 64 MiB.
  if (session.progressWindow)
    SendDlgItemMessageA(session.progressWindow, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0,
                        static_cast<LPARAM>(ProgressDisplay::Shown(display.total)));
}
