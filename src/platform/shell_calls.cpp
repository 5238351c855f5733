#include "platform/shell_calls.h"

#include "platform/com_ptr.h"
#include "platform/system_library.h"

namespace {

const char kShell[] = "shell32.dll";
const char kCom[] = "ole32.dll";

}  // namespace

namespace systemdll {

HRESULT CoInitialize(LPVOID reserved) {
  using Fn = HRESULT(WINAPI*)(LPVOID);
  auto call = GetSystemProc<Fn>(kCom, "CoInitialize");
  return call ? call(reserved) : E_FAIL;
}

void CoUninitialize() {
  using Fn = void(WINAPI*)();
  if (auto call = GetSystemProc<Fn>(kCom, "CoUninitialize")) call();
}

HRESULT CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID interfaceId, LPVOID* object) {
  using Fn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  auto call = GetSystemProc<Fn>(kCom, "CoCreateInstance");
  if (call) return call(classId, outer, context, interfaceId, object);
  *object = nullptr;
  return E_FAIL;
}

HRESULT SHGetMalloc(IMalloc** allocator) {
  using Fn = HRESULT(WINAPI*)(IMalloc**);
  auto call = GetSystemProc<Fn>(kShell, "SHGetMalloc");
  if (call) return call(allocator);
  *allocator = nullptr;
  return E_FAIL;
}

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list) {
  using Fn = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
  auto call = GetSystemProc<Fn>(kShell, "SHGetSpecialFolderLocation");
  if (call) return call(owner, folder, list);
  *list = nullptr;
  return E_FAIL;
}

LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA browse) {
  using Fn = LPITEMIDLIST(WINAPI*)(LPBROWSEINFOA);
  auto call = GetSystemProc<Fn>(kShell, "SHBrowseForFolderA");
  return call ? call(browse) : nullptr;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path) {
  using Fn = BOOL(WINAPI*)(LPCITEMIDLIST, LPSTR);
  auto call = GetSystemProc<Fn>(kShell, "SHGetPathFromIDListA");
  return call ? call(list, path) : FALSE;
}

BOOL ShellExecuteExA(LPSHELLEXECUTEINFOA execute) {
  using Fn = BOOL(WINAPI*)(LPSHELLEXECUTEINFOA);
  auto call = GetSystemProc<Fn>(kShell, "ShellExecuteExA");
  return call ? call(execute) : FALSE;
}

}  // namespace systemdll

bool SpecialFolderPath(int csidl, char* path) {
  ComPtr<IMalloc> allocator;
  if (FAILED(systemdll::SHGetMalloc(allocator.put()))) return false;
  LPITEMIDLIST list = nullptr;
  if (systemdll::SHGetSpecialFolderLocation(nullptr, csidl, &list) != NOERROR) return false;
  ShellItemList folder(allocator.get(), list);
  return systemdll::SHGetPathFromIDListA(folder.get(), path) != FALSE;
}
