#include "engine/restart_pending.h"

#include <windows.h>

#include <string>
#include <vector>

#include "registry/registry_key.h"

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

// The list holds native paths ("\??\C:\..."); a target that replaces an
// existing file begins with "!".
std::string PlainPath(const std::string& name) {
  std::size_t start = 0;
  if (!name.empty() && name[0] == '!') start = 1;
  if (name.compare(start, 4, "\\??\\") == 0) start += 4;
  return name.substr(start);
}

bool SamePath(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

std::vector<std::string> SplitMultiString(const std::vector<char>& data) {
  std::vector<std::string> strings;
  std::size_t at = 0;
  // The pairs end at the double zero, but an empty target (a deletion)
  // is itself an empty string: the list is read as strings in pairs up to
  // the end of the data.
  while (at < data.size()) {
    std::size_t end = at;
    while (end < data.size() && data[end] != '\0') ++end;
    strings.emplace_back(&data[at], end - at);
    at = end + 1;
  }
  if (strings.size() % 2 == 1 && strings.back().empty()) strings.pop_back();
  return strings;
}

}  // namespace

bool RemovePendingRename(const char* newFile, const char* target) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened) !=
      ERROR_SUCCESS)
    return false;
  RegistryKeyHandle key(opened);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return false;
  std::vector<char> data(size + 2, '\0');
  if (RegQueryValueExA(key.get(), kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  data.resize(size);
  const std::vector<std::string> strings = SplitMultiString(data);

  const bool deletion = lstrcmpiA(target, "NUL") == 0;
  std::string kept;
  bool removed = false;
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
    const std::string& source = strings[i];
    const std::string& destination = strings[i + 1];
    const bool ours = SamePath(PlainPath(source), newFile) &&
                      (deletion ? destination.empty() : SamePath(PlainPath(destination), target));
    if (ours) {
      removed = true;
      continue;
    }
    kept.append(source).push_back('\0');
    kept.append(destination).push_back('\0');
  }
  if (!removed) return false;
  if (kept.empty()) return RegDeleteValueA(key.get(), kPendingValue) == ERROR_SUCCESS;
  kept.push_back('\0');
  return RegSetValueExA(key.get(), kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                        static_cast<DWORD>(kept.size())) == ERROR_SUCCESS;
}
