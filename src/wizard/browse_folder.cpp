// The shell's folder browser, for the installation folder and the group.
#include <windows.h>
#include <shlobj.h>

#include "platform/com_ptr.h"
#include "platform/globals.h"
#include "platform/shell_calls.h"
#include "wizard/wizard_pages.h"

bool BrowseForFolder(HWND owner, char* path, int root) {
  ComPtr<IMalloc> allocator;
  if (FAILED(systemdll::SHGetMalloc(allocator.put()))) return false;
  LPITEMIDLIST rootList = nullptr;
  if (systemdll::SHGetSpecialFolderLocation(owner, root, &rootList) != NOERROR) return false;
  ShellItemList rootItems(allocator.get(), rootList);

  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.pidlRoot = rootItems.get();
  browse.pszDisplayName = path;
  browse.lpszTitle = "Choose a folder";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  ShellItemList chosen(allocator.get(), systemdll::SHBrowseForFolderA(&browse));
  if (!chosen.get()) return false;
  return systemdll::SHGetPathFromIDListA(chosen.get(), path) != FALSE;
}

bool GetProgramsFolder(HWND, char* path) {
  // The group page lists the groups of the Start menu the links go to.
  return SpecialFolderPath(g_userScope ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS, path);
}
