
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"
#include "uninstall/removal.h"

namespace {

// Points variable `key` at the recorded text; an absent record leaves the
// variable as loading left it.
void ReadBackText(SetupSession& session, UINT keyId, unsigned char key) {
  char text[kPathSize];
  if (session.GetSetupString(IDS_SECTION_UNINSTALL, keyId, text, sizeof text)) session.variables->Set(key, text);
}

}  // namespace

bool ConfirmRemoval(SetupSession& session, int& confirmed) {
  confirmed = 0;
  char name[kPathSize] = "the application";
  if (const Variable* application = session.variables->FindKey('A')) application->GetValue(name, kPathSize - 1);
  char format[kPathSize];
  if (!LoadTableString(session.instance, IDS_CONFIRM_REMOVE, format, sizeof format)) return false;
  // The name may take a whole path's length: the question is bounded by
  // its buffer, never by the name.
  char question[kPathSize * 2];
  FormatText(question, sizeof question, format, name);
  // Whoever starts an unattended uninstall has answered already.
  if (!g_silent && MessageBoxA(session.window, question, "Uninstall", MB_YESNOCANCEL | MB_ICONQUESTION) != IDYES)
    return true;

  confirmed = 1;
  // Without a recorded folder, the folder the user named is the one that
  // holds this Setup.dat.
  if (const Variable* setFolder = session.variables->FindKey('I')) {
    char folder[kPathSize];
    setFolder->GetValue(folder, kPathSize - 1);
    session.variables->Set('0', folder);
  }
  ReadBackText(session, IDS_KEY_INSTALLFOLDER, '0');
  ReadBackText(session, IDS_KEY_INSTALLGROUP, 'H');
  int links = 0;
  session.GetSetupNumber(IDS_SECTION_UNINSTALL, IDS_KEY_INSTALLLINKS, links);
  session.linkGroup = (links & 1) != 0;
  session.linkStartup = (links & 2) != 0;
  session.linkDesktop = (links & 4) != 0;
  return true;
}
