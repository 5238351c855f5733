#include "registry/registry_removal.h"

#include <string>
#include <vector>

#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "registry/registry_key.h"

namespace {

bool Gone(LONG result) { return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND; }

bool IsEmptyKey(HKEY root, const std::string& path) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  RegistryKeyHandle key(opened);
  DWORD subkeys = 0;
  DWORD values = 0;
  return RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                          nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0 && values == 0;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &opened);
  if (result == ERROR_SUCCESS) RegCloseKey(opened);
  // A key that cannot be looked at is there: its removal will say why not.
  return result != ERROR_FILE_NOT_FOUND;
}

void LogKeyFailure(const char* what, const LogEntry& entry, DWORD error) {
  char key[kTextSize * 2];
  FormatText(key, sizeof key, "%s\\%s", RootFullName(entry.root), entry.path.c_str());
  LogFailure(what, key, error);
}

}  // namespace

bool DeleteKeyTree(HKEY root, const std::string& path) {
  // The family of NT deletes a key only when it has no subkeys.
  std::vector<std::string> children;
  {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &opened);
    if (result == ERROR_FILE_NOT_FOUND) return true;
    if (result != ERROR_SUCCESS) {
      SetLastError(static_cast<DWORD>(result));
      return false;
    }
    RegistryKeyHandle key(opened);
    char name[kTextSize];
    for (DWORD index = 0;; ++index) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(key.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      children.push_back(path + "\\" + name);
    }
  }
  for (const std::string& child : children)
    if (!DeleteKeyTree(root, child)) return false;
  const LONG result = RegDeleteKeyA(root, path.c_str());
  SetLastError(static_cast<DWORD>(result));
  return Gone(result);
}

bool RemoveLoggedRegistry(const LogEntry& entry, bool keepKey) {
  const bool created = !entry.outer.empty() && entry.path.size() >= entry.outer.size() &&
                       lstrcmpiA(entry.path.substr(0, entry.outer.size()).c_str(), entry.outer.c_str()) == 0;
  if (!created || keepKey) {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(entry.root, entry.path.c_str(), 0, KEY_SET_VALUE, &opened);
    if (result == ERROR_FILE_NOT_FOUND) return true;
    if (result != ERROR_SUCCESS) {
      LogKeyFailure("registry value could not be removed", entry, static_cast<DWORD>(result));
      return false;
    }
    RegistryKeyHandle key(opened);
    const LONG deleted = RegDeleteValueA(key.get(), entry.name.c_str());
    if (deleted == ERROR_FILE_NOT_FOUND) return true;
    if (deleted != ERROR_SUCCESS) {
      LogKeyFailure("registry value could not be removed", entry, static_cast<DWORD>(deleted));
      return false;
    }
    LogEvent("registry value removed: %s\\%s [%s]", RootFullName(entry.root), entry.path.c_str(), entry.name.c_str());
    return true;
  }
  // Several lines name one key: the first takes it, the others find it
  // gone and have nothing to say.
  if (!KeyExists(entry.root, entry.path)) return true;
  if (!DeleteKeyTree(entry.root, entry.path)) {
    LogKeyFailure("registry key could not be removed", entry, GetLastError());
    return false;
  }
  LogEvent("registry key removed: %s\\%s", RootFullName(entry.root), entry.path.c_str());
  std::string parent = entry.path;
  while (parent.size() > entry.outer.size()) {
    const std::size_t backslash = parent.rfind('\\');
    if (backslash == std::string::npos) break;
    parent.resize(backslash);
    if (parent.size() < entry.outer.size() || !KeyExists(entry.root, parent)) break;
    if (!IsEmptyKey(entry.root, parent) || RegDeleteKeyA(entry.root, parent.c_str()) != ERROR_SUCCESS) {
      LogEvent("registry key kept: %s\\%s (it holds other values or keys)", RootFullName(entry.root), parent.c_str());
      break;
    }
    LogEvent("registry key removed: %s\\%s", RootFullName(entry.root), parent.c_str());
  }
  return true;
}
