#include "registry/shared_dll_count.h"

#include "registry/registry_key.h"
#include "resources/resource_ids.h"
#include "platform/setup_error.h"

namespace {

// The count of a file that has none yet.
LONG MissingCount(LONG step) { return step > 0 ? 1 : 0; }

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

}  // namespace

LONG AdjustSharedCount(HINSTANCE instance, const char* path, LONG step) {
  RegistryKey key(instance);
  switch (OpenCountsKey(key)) {
    case KeyState::Failed:
      return 0;
    case KeyState::Refused:
      return MissingCount(step);
    case KeyState::Open:
      break;
  }
  try {
    DWORD stored = 0;
    key.QueryDword(path, stored);
    const LONG count = static_cast<LONG>(stored) + step;
    key.SetDword(path, static_cast<DWORD>(count));
    return count;
  } catch (SetupError&) {
    // Above all the first installation of the file: no value yet.
  }
  const LONG count = MissingCount(step);
  if (count > 0) key.SetDword(path, static_cast<DWORD>(count));
  return count;
}
