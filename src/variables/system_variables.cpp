#include <cstring>
#include <new>

#include "platform/globals.h"
#include "platform/shell_calls.h"
#include "platform/string_table.h"
#include "registry/registry_key.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"

namespace {

void SetFromBlock(VariableTable& table, unsigned char key, const GlobalBlock& block) {
  BlockLock<const char> text(block);
  if (!text) ThrowSetupError(SETUP_ERR_NO_MEMORY);
  table.Set(key, text.get());
}

}  // namespace

void SetupSession::ApplyScope(bool user) {
  g_userScope = user;
  char path[MAX_PATH + 16];
  if (!user)
    variables->Set('P', machinePrograms.c_str());
  else if (SpecialFolderPath(CSIDL_LOCAL_APPDATA, path) && AppendText(path, sizeof path, "\\Programs"))
    variables->Set('P', path);
  // A machine-wide installation's links are for every user; where the
  // shell has no common folders (no profiles), the user's stand in.
  static const struct {
    unsigned char key;
    int user;
    int common;
  } kLinkFolders[] = {
      {'D', CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY},
      {'R', CSIDL_STARTUP, CSIDL_COMMON_STARTUP},
      {'G', CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS},
  };
  for (const auto& folder : kLinkFolders)
    if ((!user && SpecialFolderPath(folder.common, path)) || SpecialFolderPath(folder.user, path))
      variables->Set(folder.key, path);
}

bool SetupSession::SetSystemVariables(const char* commandPath) {
  try {
    RegistryKey key(instance);
    GlobalBlock value;

    key.OpenById(HKEY_LOCAL_MACHINE, IDS_REG_CURRENTVERSION, REGISTRY_READ);
    key.QueryStringById(IDS_REG_PROGRAMFILESDIR, value);
    SetFromBlock(*variables, 'P', value);
    {
      BlockLock<const char> text(value);
      machinePrograms = text ? text.get() : "";
    }

    key.OpenById(HKEY_CURRENT_USER, IDS_REG_SHELLFOLDERS, REGISTRY_READ);
    key.QueryStringById(IDS_REG_DESKTOP, value);
    SetFromBlock(*variables, 'D', value);
    key.QueryStringById(IDS_REG_STARTUP, value);
    SetFromBlock(*variables, 'R', value);
    key.QueryStringById(IDS_REG_PROGRAMS, value);
    SetFromBlock(*variables, 'G', value);
    value.reset();

    char folder[kPathSize];
    if (GetWindowsDirectoryA(folder, sizeof folder) != 0) variables->Set('W', folder);
    if (GetSystemDirectoryA(folder, sizeof folder) != 0) variables->Set('S', folder);

    char text[kPathSize];
    CopyText(text, sizeof text, commandPath ? commandPath : "");
    std::size_t length = std::strlen(text);
    if (length > 0) {
      if (text[length - 1] == '\\') text[--length] = '\0';
      if (length > 0) variables->Set('I', text);
    }
    return true;
  } catch (...) {
    // Reported here, running out of memory too: nothing above may let it
    // unwind through the window creation that runs this.
    ReportError(CaughtError());
    PostQuitMessage(0);
    return false;
  }
}
