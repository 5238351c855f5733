#pragma once
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

// The shell and COM entry points the program calls. SHELL32 and ole32 are
// not DLLs Windows always maps from its own folder, and importing them
// statically would let the loader resolve them, and the DLLs they import
// in turn, before WinMain could restrict the search: a DLL planted beside
// Setup.exe would run with its rights. So they are loaded from the system
// folder by full path (system_library.h), and each call goes through here.
//
// Each call has the platform's meaning; where its DLL or entry point is
// missing it fails as the platform's call would (E_FAIL, FALSE, null).
namespace systemdll {

HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID interfaceId, LPVOID* object);

HRESULT SHGetMalloc(IMalloc** allocator);
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);
LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA browse);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path);
BOOL ShellExecuteExA(LPSHELLEXECUTEINFOA execute);

}  // namespace systemdll

// An item list handed out by the shell, given back through its allocator.
class ShellItemList {
public:
  ShellItemList(IMalloc* allocator, LPITEMIDLIST list) : allocator_(allocator), list_(list) {}
  ~ShellItemList() {
    if (list_) allocator_->Free(list_);
  }
  ShellItemList(const ShellItemList&) = delete;
  ShellItemList& operator=(const ShellItemList&) = delete;
  LPITEMIDLIST get() const { return list_; }

private:
  IMalloc* allocator_;
  LPITEMIDLIST list_;
};

// The path (MAX_PATH bytes) of the shell's special folder `csidl`
// (CSIDL_LOCAL_APPDATA, CSIDL_COMMON_PROGRAMS, ...). False when the shell
// does not know it.
bool SpecialFolderPath(int csidl, char* path);
