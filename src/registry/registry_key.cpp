#include "registry/registry_key.h"

#include <utility>

#include "platform/globals.h"
#include "platform/setup_error.h"
#include "platform/string_table.h"

namespace {

REGSAM Rights(RegistryAccess access) {
  switch (access) {
    case REGISTRY_READ_WRITE:
      return KEY_READ | KEY_WRITE;
    case REGISTRY_WRITE:
      return KEY_WRITE;
    case REGISTRY_READ:
    default:
      return KEY_READ;
  }
}

}  // namespace

bool RegistryKey::Open(HKEY root, const char* subkey, RegistryAccess access) {
  key_.reset();
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subkey, 0, Rights(access), &key) != ERROR_SUCCESS) ThrowSetupError(SETUP_ERR_REG_OPEN);
  key_.reset(key);
  return true;
}

bool RegistryKey::OpenById(HKEY root, UINT subkeyId, RegistryAccess access) {
  char subkey[kTextSize];
  LoadNameString(instance_, subkeyId, subkey, sizeof subkey);
  return Open(root, subkey, access);
}

bool RegistryKey::Create(HKEY root, const char* subkey, RegistryAccess access) {
  if (access == REGISTRY_READ) ThrowSetupError(SETUP_ERR_REG_CREATE);
  key_.reset();
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyExA(root, subkey, 0, nullptr, 0, Rights(access), nullptr, &key, &disposition);
  if (result != ERROR_SUCCESS) {
    // Kept for the caller's report: the registry returns its codes.
    SetLastError(static_cast<DWORD>(result));
    return false;
  }
  key_.reset(key);
  return true;
}

bool RegistryKey::CreateById(HKEY root, UINT subkeyId, RegistryAccess access) {
  char subkey[kTextSize];
  LoadNameString(instance_, subkeyId, subkey, sizeof subkey);
  return Create(root, subkey, access);
}

bool RegistryKey::QueryString(const char* name, GlobalBlock& block) {
  if (!key_) return false;
  DWORD size = 0;
  if (RegQueryValueExA(key_.get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    ThrowSetupError(SETUP_ERR_REG_QUERY);
  GlobalBlock fresh = GlobalBlock::Allocate(static_cast<std::size_t>(size) + 1);
  {
    BlockLock<BYTE> lock(fresh);
    if (!lock) ThrowSetupError(SETUP_ERR_NO_MEMORY);
    DWORD offered = size + 1;
    if (RegQueryValueExA(key_.get(), name, nullptr, nullptr, lock.get(), &offered) != ERROR_SUCCESS)
      ThrowSetupError(SETUP_ERR_REG_QUERY);
  }
  block = std::move(fresh);
  return true;
}

bool RegistryKey::QueryStringById(UINT nameId, GlobalBlock& block) {
  if (!key_) return false;
  char name[kTextSize];
  LoadNameString(instance_, nameId, name, sizeof name);
  return QueryString(name, block);
}

bool RegistryKey::SetString(const char* name, const char* text, DWORD type) {
  if (!key_) return false;
  const DWORD bytes = static_cast<DWORD>(lstrlenA(text)) + 1;
  const LONG result = RegSetValueExA(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(text), bytes);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    ThrowSetupError(SETUP_ERR_REG_SET);
  }
  return true;
}

bool RegistryKey::QueryDword(const char* name, DWORD& number) {
  if (!key_) return false;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key_.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
    ThrowSetupError(SETUP_ERR_REG_QUERY);
  number = value;
  return true;
}

bool RegistryKey::HasValue(const char* name) const {
  return key_ && RegQueryValueExA(key_.get(), name, nullptr, nullptr, nullptr, nullptr) != ERROR_FILE_NOT_FOUND;
}

bool RegistryKey::SetDword(const char* name, DWORD number) {
  if (!key_) return false;
  const LONG result =
      RegSetValueExA(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    ThrowSetupError(SETUP_ERR_REG_SET);
  }
  return true;
}

bool RegistryKey::DeleteKey(HKEY root, const char* subkey) {
  RegDeleteKeyA(root, subkey);
  return true;
}

namespace {

struct RootNames {
  HKEY root;
  const char* shortName;
  const char* fullName;
};

const RootNames kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKCR", "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKCU", "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKLM", "HKEY_LOCAL_MACHINE"},
};

const RootNames& NamesOf(HKEY root) {
  for (const RootNames& names : kRoots)
    if (names.root == root) return names;
  return kRoots[2];
}

}  // namespace

const char* RootShortName(HKEY root) { return NamesOf(root).shortName; }
const char* RootFullName(HKEY root) { return NamesOf(root).fullName; }

HKEY RootOfShortName(const char* name) {
  for (const RootNames& names : kRoots)
    if (lstrcmpA(names.shortName, name) == 0) return names.root;
  return nullptr;
}

HKEY ProductRoot() { return g_userScope ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
