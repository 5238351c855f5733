#include <cstring>
#include <new>

#include "resources/resource_ids.h"
#include "setupdat/component_lists.h"
#include "platform/globals.h"
#include "session/rights.h"
#include "session/setup_session.h"
#include "platform/string_table.h"

namespace {

// The folder of the running program: its full path without the last
// backslash and what follows.
void GetProgramFolder(char (&path)[kPathSize]) {
  const DWORD length = GetModuleFileNameA(nullptr, path, kPathSize);
  if (length == 0 || length >= kPathSize) ThrowSetupError(SETUP_ERR_GENERAL);
  char* backslash = std::strrchr(path, '\\');
  if (backslash) *backslash = '\0';
}

}  // namespace

void SetupSession::ProposeFolder() {
  char work[kPathSize] = {};
  if (GetSetupString(IDS_SECTION_SETUP, IDS_KEY_DEFAULTFOLDER, work, sizeof work)) {
    GlobalBlock expanded;
    variables->ExpandText(work, expanded);
    BlockLock<const char> text(expanded);
    if (!text) ThrowSetupError(SETUP_ERR_NO_MEMORY);
    variables->Set('0', text.get());
  } else {
    variables->Set('0', "C:\\");
  }
}

bool SetupSession::LoadSetupInfo() {
  try {
    char work[kPathSize] = {};
    if (!setupDatPath) {
      setupDatPath.reset(new (std::nothrow) char[kPathSize]());
      if (!setupDatPath) ThrowSetupError(SETUP_ERR_NO_MEMORY);
    }
    char* path = setupDatPath.get();

    char programFolder[kPathSize];
    GetProgramFolder(programFolder);
    if (Variable* folder = variables->FindKey('I')) {
      // A folder too long to hold "\Setup.dat" as well names no readable
      // file: it is refused like a missing file, never read cut.
      std::size_t length = 0;
      if (!folder->GetLength(length) || length >= kPathSize) ThrowSetupError(SETUP_ERR_NO_SETUPDAT);
      folder->GetValue(path, kPathSize - 1);
    } else {
      CopyText(path, kPathSize, programFolder);
      variables->Set('I', programFolder);
    }

    // Whom the installation is for. A set that lets the user choose
    // proposes what the run's rights allow; its uninstall goes where the
    // installation went.
    char folderText[kPathSize];
    CopyText(folderText, sizeof folderText, path);
    char fileName[kPathSize];
    LoadNameString(instance, IDS_SETUPDAT_FILE, fileName, sizeof fileName);
    if (!AppendText(path, kPathSize, fileName)) ThrowSetupError(SETUP_ERR_NO_SETUPDAT);

    if (!GetSetupString(IDS_SECTION_SETUP, IDS_KEY_TITLE, work, sizeof work)) ThrowSetupError(SETUP_ERR_NO_SETUPDAT);
    SetWindowTextA(window, work);
    variables->Set('T', work);

    char scope[16] = "";
    GetSetupString(IDS_SECTION_SETUP, IDS_KEY_SCOPE, scope, sizeof scope);
    scopeChoice = lstrcmpiA(scope, "choose") == 0;
    if (scopeChoice)
      ApplyScope(g_uninstallMode ? ProductRecordedForUser(folderText) : !(g_relaunched || ProcessIsElevated()));
    else
      ApplyScope(lstrcmpiA(scope, "user") == 0);

    GetSetupString(IDS_SECTION_SETUP, IDS_KEY_APP, work, sizeof work);
    variables->Set('A', work);

    GetSetupNumber(IDS_SECTION_SETUP, IDS_KEY_STARTUP, linkStartup);
    GetSetupNumber(IDS_SECTION_SETUP, IDS_KEY_DESKTOP, linkDesktop);
    GetSetupNumber(IDS_SECTION_SETUP, IDS_KEY_GROUP, linkGroup);

    GetSetupString(IDS_SECTION_SETUP, IDS_KEY_DEFAULTGROUP, work, sizeof work);
    variables->Set('H', work);

    if (GetSetupString(IDS_SECTION_SETUP, IDS_KEY_LICENSE, work, sizeof work)) variables->Set('L', work);
    if (GetSetupString(IDS_SECTION_SETUP, IDS_KEY_CHECK, work, sizeof work)) variables->Set('C', work);

    ProposeFolder();

    if (GetSetupString(IDS_SECTION_SETUP, IDS_KEY_EXECUTE, work, sizeof work)) variables->Set('E', work);
    if (GetSetupString(IDS_SECTION_SETUP, IDS_KEY_VIEW, work, sizeof work)) variables->Set('V', work);
    if (GetSetupString(IDS_SECTION_SETUP, IDS_KEY_VIEWTEXT, work, sizeof work) && work[0])
      viewText = GlobalBlock::FromText(work);

    for (WORD kind = ITEM_KIND_FILE; kind <= ITEM_KIND_SHORTCUT; ++kind) {
      lists[kind - 1].reset(new (std::nothrow) ItemList(kind));
      if (!lists[kind - 1]) ThrowSetupError(SETUP_ERR_NO_MEMORY);
    }
    if (!LoadComponentLists(*this)) ThrowSetupError(SETUP_ERR_NO_COMPONENTS);

    if (window) InvalidateRect(window, nullptr, TRUE);
    return true;
  } catch (SetupError& code) {
    ReportError(code);
    return false;
  }
}
