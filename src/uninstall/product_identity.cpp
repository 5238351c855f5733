#include "uninstall/product_identity.h"

#include <cstring>

#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "platform/string_table.h"
#include "registry/registry_item.h"
#include "registry/registry_key.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"

const char kLogChecksumValue[] = "SetupLogChecksum";

namespace {

std::string UninstallRoot(SetupSession& session) {
  char path[kTextSize];
  LoadNameString(session.instance, IDS_REG_UNINSTALL, path, sizeof path);
  return path;
}

// The key name below the uninstall root that the product's own
// root lines write (HKEY_CURRENT_USER in a per-user installation), or empty.
std::string KeyOfRegistryLines(SetupSession& session) {
  const std::string root = UninstallRoot(session) + "\\";
  ItemList* list = session.list(ITEM_KIND_REGISTRY);
  if (!list) return std::string();
  InstallItem* item = nullptr;
  for (bool more = list->First(item); more; more = list->Next(item)) {
    auto* registry = static_cast<RegistryItem*>(item);
    if (registry->root != ProductRoot()) continue;
    BlockLock<const char> path(registry->keyPath);
    if (!path || std::strlen(path.get()) <= root.size() || _strnicmp(path.get(), root.c_str(), root.size()) != 0)
      continue;
    std::string name = path.get() + root.size();
    name = name.substr(0, name.find('\\'));
    if (!name.empty()) return name;
  }
  return std::string();
}

bool ReadEntryText(HKEY key, const char* name, std::string& text) {
  char value[kPathSize] = {};
  DWORD type = 0;
  DWORD size = sizeof value - 1;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  text = value;
  return true;
}

}  // namespace

bool IsWithin(const std::string& folder, const std::string& other) {
  if (other.empty() || folder.size() < other.size() || _strnicmp(folder.c_str(), other.c_str(), other.size()) != 0)
    return false;
  return folder.size() == other.size() || folder[other.size()] == '\\' || other.back() == '\\';
}

std::string WithoutTrailingBackslash(std::string folder) {
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string NamedProductKey(SetupSession& session) {
  char name[kTextSize] = "";
  if (session.GetSetupString(IDS_SECTION_SETUP, IDS_KEY_UNINSTALLKEY, name, sizeof name) && name[0]) return name;
  return KeyOfRegistryLines(session);
}

std::string ProductKeyName(SetupSession& session, const std::string& folder) {
  std::string name = NamedProductKey(session);
  if (!name.empty()) return name;
  // One folder, one product: the same folder finds the same entry again.
  char upper[kPathSize];
  CopyText(upper, sizeof upper, WithoutTrailingBackslash(folder).c_str());
  CharUpperA(upper);
  char made[64];
  FormatText(made, sizeof made, "Setup-%08lx", static_cast<unsigned long>(LogChecksum(upper, std::strlen(upper))));
  return made;
}

std::string ProductKeyPath(SetupSession& session, const std::string& name) {
  return UninstallRoot(session) + "\\" + name;
}

bool InstallLogPath(SetupSession& session, const std::string& folder, char (&path)[kPathSize]) {
  char name[kPathSize];
  LoadNameString(session.instance, IDS_INSTALLLOG_FILE, name, sizeof name);
  return CopyText(path, sizeof path, WithoutTrailingBackslash(folder).c_str()) && AppendText(path, sizeof path, name);
}

bool IsSafeProductFolder(const std::string& folder) {
  const bool drive = folder.size() > 3 && folder[1] == ':' && folder[2] == '\\' && IsCharAlphaA(folder[0]);
  const bool network = folder.size() > 4 && folder.compare(0, 2, "\\\\") == 0;
  if (!drive && !network) return false;
  if (folder.find_first_of("*?\"<>|/") != std::string::npos) return false;
  if (network && folder.find('\\', 2) == std::string::npos) return false;
  // Each step must name a folder: no "." or "..", no empty step, nor one
  // of dots alone.
  for (const char* step = folder.c_str() + (drive ? 3 : 2);; ++step) {
    bool onlyDots = true;
    for (; *step && *step != '\\'; ++step) onlyDots = onlyDots && *step == '.';
    if (onlyDots) return false;
    if (!*step) break;
  }
  char system[kPathSize];
  if (GetWindowsDirectoryA(system, sizeof system) == 0) return false;
  const std::string windows = WithoutTrailingBackslash(system);
  if (GetSystemDirectoryA(system, sizeof system) == 0) return false;
  const std::string systemFolder = WithoutTrailingBackslash(system);
  if (IsWithin(folder, windows) || IsWithin(windows, folder) || IsWithin(systemFolder, folder)) return false;
  // The Program Files folder itself, and the profile folders, hold others'
  // products and files.
  for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "USERPROFILE", "ALLUSERSPROFILE", "APPDATA"}) {
    char value[kPathSize];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length > 0 && length < sizeof value && IsWithin(WithoutTrailingBackslash(value), folder)) return false;
  }
  return true;
}

std::string InstalledFolder(SetupSession& session, const std::string& keyName) {
  HKEY opened = nullptr;
  if (keyName.empty() || RegOpenKeyExA(ProductRoot(), ProductKeyPath(session, keyName).c_str(), 0,
                                       KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
    return std::string();
  RegistryKeyHandle key(opened);
  std::string folder;
  if (!ReadEntryText(key.get(), "InstallLocation", folder)) return std::string();
  return WithoutTrailingBackslash(folder);
}

bool ReadTrustedLog(SetupSession& session, const std::string& folderText, InstallLog& log) {
  const std::string folder = WithoutTrailingBackslash(folderText);
  char path[kPathSize];
  DWORD checksum = 0;
  InstallLog read;
  if (!InstallLogPath(session, folder, path) || !ReadInstallLog(path, read, checksum)) {
    LogEvent("install log missing or damaged: %s", path);
    return false;
  }
  if (!SamePath(read.folder, folder) || !IsSafeProductFolder(read.folder) || read.product.empty()) {
    LogEvent("install log names another folder: %s", read.folder.c_str());
    return false;
  }
  HKEY opened = nullptr;
  if (RegOpenKeyExA(ProductRoot(), ProductKeyPath(session, read.product).c_str(), 0, KEY_QUERY_VALUE,
                    &opened) != ERROR_SUCCESS) {
    LogEvent("install log without its uninstall entry: %s", read.product.c_str());
    return false;
  }
  RegistryKeyHandle key(opened);
  std::string location;
  std::string recorded;
  char expected[16];
  FormatText(expected, sizeof expected, "%08lx", static_cast<unsigned long>(checksum));
  if (!ReadEntryText(key.get(), "InstallLocation", location) || !SamePath(WithoutTrailingBackslash(location), folder) ||
      !ReadEntryText(key.get(), kLogChecksumValue, recorded) || !SamePath(recorded, expected)) {
    LogEvent("install log does not match its uninstall entry: %s", read.product.c_str());
    return false;
  }
  log = std::move(read);
  return true;
}
