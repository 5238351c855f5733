#include "support/pending_renames.h"

#include <aclapi.h>

namespace testsupport {

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kSessionManagerW[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

}  // namespace

std::wstring ReadPendingRenames() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerW, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return L"";
  DWORD size = 0;
  std::wstring data;
  if (RegQueryValueExW(key, kPendingValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
    data.assign((size + 1) / sizeof(wchar_t), L'\0');
    if (RegQueryValueExW(key, kPendingValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
      data.clear();
  }
  RegCloseKey(key);
  return data;
}

void WritePendingRenames(const std::wstring& data) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerW, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  if (data.empty())
    RegDeleteValueW(key, kPendingValue);
  else
    RegSetValueExW(key, kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
  RegCloseKey(key);
}

PendingRenamesRefused::PendingRenamesRefused() {
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) {
    key_ = nullptr;
    return;
  }
  if (GetSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &savedList_, nullptr,
                      &saved_) != ERROR_SUCCESS)
    return;
  EXPLICIT_ACCESSA deny = {};
  deny.grfAccessPermissions = KEY_SET_VALUE;
  deny.grfAccessMode = DENY_ACCESS;
  deny.grfInheritance = NO_INHERITANCE;
  deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  char everyone[] = "EVERYONE";
  deny.Trustee.ptstrName = everyone;
  PACL denying = nullptr;
  if (SetEntriesInAclA(1, &deny, savedList_, &denying) != ERROR_SUCCESS) return;
  refused_ = SetSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, denying, nullptr) ==
             ERROR_SUCCESS;
  LocalFree(denying);
}

PendingRenamesRefused::~PendingRenamesRefused() {
  if (refused_) SetSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, savedList_, nullptr);
  if (saved_) LocalFree(saved_);
  if (key_) RegCloseKey(key_);
}

}  // namespace testsupport
