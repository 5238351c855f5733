#include "registry/shared_dll_count.h"

#include <cstdlib>
#include <cstring>

#include "platform/format_text.h"
#include "platform/globals.h"
#include "session/journal.h"
#include "platform/setup_error.h"
#include "platform/string_table.h"
#include "registry/registry_key.h"
#include "resources/resource_ids.h"

namespace {

// The count of a file that has none yet.
LONG MissingCount(LONG step, bool fileExisted) { return step > 0 ? step + (fileExisted ? 1 : 0) : 0; }

enum class KeyState { Open, Refused, Failed };

// Opens the SharedDLLs key, creating it when it does not exist yet.
// Refused: the registry would not create it. Failed: the create threw (its
// name is missing from the string table). Throws nothing.
KeyState OpenCountsKey(RegistryKey& key) {
  try {
    key.OpenById(HKEY_LOCAL_MACHINE, IDS_REG_SHAREDDLLS, REGISTRY_READ_WRITE);
    return KeyState::Open;
  } catch (SetupError&) {
  }
  try {
    return key.CreateById(HKEY_LOCAL_MACHINE, IDS_REG_SHAREDDLLS, REGISTRY_READ_WRITE) ? KeyState::Open
                                                                                       : KeyState::Refused;
  } catch (SetupError&) {
    return KeyState::Failed;
  }
}

// The key's name, or false when the string table lacks it.
bool CountsKeyName(HINSTANCE instance, char (&name)[kTextSize]) {
  return LoadTableString(instance, IDS_REG_SHAREDDLLS, name, sizeof name);
}

}  // namespace

LONG AdjustSharedCount(HINSTANCE instance, const char* path, LONG step) {
  bool known = false;
  return AdjustSharedCount(instance, path, step, known);
}

LONG AdjustSharedCount(HINSTANCE instance, const char* path, LONG step, bool& known, bool fileExisted) {
  known = false;
  RegistryKey key(instance);
  switch (OpenCountsKey(key)) {
    case KeyState::Failed:
      return 0;
    case KeyState::Refused:
      return MissingCount(step, fileExisted);
    case KeyState::Open:
      break;
  }
  DWORD stored = 0;
  try {
    key.QueryDword(path, stored);
  } catch (SetupError&) {
    // A count of another type or size than ours belongs to someone we do
    // not know: it is left as it is, and the file with it.
    if (key.HasValue(path)) return 0;
    // Above all the first installation of the file: no value yet.
    known = true;
    const LONG count = MissingCount(step, fileExisted);
    if (count > 0) key.SetDword(path, static_cast<DWORD>(count));
    return count;
  }
  known = true;
  // Neither wraps: a count at 0 stays there, one at the top stays there.
  long long count = static_cast<long long>(stored) + step;
  if (count < 0) count = 0;
  if (count > 0xFFFFFFFFll) count = 0xFFFFFFFFll;
  if (count != static_cast<long long>(stored)) key.SetDword(path, static_cast<DWORD>(count));
  return static_cast<LONG>(count);
}

std::string EncodeCount(const SharedCountRecord& record) {
  char head[32];
  FormatText(head, sizeof head, "%d%d%lu:", record.keyExisted ? 1 : 0, record.valueExisted ? 1 : 0,
             static_cast<unsigned long>(record.type));
  return head + HexText(record.data.data(), record.data.size());
}

SharedCountRecord DecodeCount(const char* text) {
  SharedCountRecord record;
  const char* colon = std::strchr(text, ':');
  if (std::strlen(text) < 3 || !colon) return record;
  record.keyExisted = text[0] == '1';
  record.valueExisted = text[1] == '1';
  // The number stops at the colon.
  record.type = std::strtoul(text + 2, nullptr, 10);
  record.data = HexBytes(colon + 1);
  return record;
}

SharedCountRecord ReadSharedCount(HINSTANCE instance, const char* path) {
  SharedCountRecord record;
  char name[kTextSize];
  if (!CountsKeyName(instance, name)) return record;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return record;
  RegistryKeyHandle key(opened);
  record.keyExisted = true;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), path, nullptr, &record.type, nullptr, &size) != ERROR_SUCCESS) return record;
  record.data.resize(size);
  record.valueExisted = RegQueryValueExA(key.get(), path, nullptr, &record.type, size ? record.data.data() : nullptr,
                                         &size) == ERROR_SUCCESS;
  record.data.resize(size);
  return record;
}

void RestoreSharedCount(HINSTANCE instance, const char* path, const SharedCountRecord& before) {
  char name[kTextSize];
  if (!CountsKeyName(instance, name)) return;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
  RegistryKeyHandle key(opened);
  if (before.valueExisted) {
    RegSetValueExA(key.get(), path, 0, before.type, before.data.empty() ? nullptr : before.data.data(),
                   static_cast<DWORD>(before.data.size()));
    return;
  }
  RegDeleteValueA(key.get(), path);
  if (before.keyExisted) return;
  DWORD subkeys = 0;
  DWORD values = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) == ERROR_SUCCESS &&
      subkeys == 0 && values == 0) {
    key.reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, name);
  }
}
