// Before anything is replaced or removed, the product's own application
// must be closed; it is recognised by the class of its main window.
#include <cstdio>

#include "platform/globals.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"
#include "shell/setup_session.h"
#include "wizard/wizard.h"

bool CheckRunningApplication(SetupSession& session, int& cancelled) {
  Variable* check = session.variables ? session.variables->FindKey('C') : nullptr;
  if (!check) {
    cancelled = 0;
    return false;
  }
  char windowClass[kPathSize + 1] = {};
  check->GetValue(windowClass, kPathSize);
  if (!FindWindowA(windowClass, nullptr)) return false;

  char name[kPathSize + 1] = "The application";
  if (Variable* application = session.variables->FindKey('A')) application->GetValue(name, kPathSize);
  char format[kPathSize];
  LoadNameString(session.instance, IDS_APP_STILL_OPEN, format, sizeof format);
  char text[kPathSize];
  std::snprintf(text, sizeof text, format, name);

  if (MessageBoxA(session.window, text, "Setup", MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
    cancelled = 0;
    return true;
  }
  cancelled = 1;
  return false;
}
