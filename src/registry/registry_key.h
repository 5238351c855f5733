#pragma once
#include <windows.h>

#include "platform/global_memory.h"
#include "platform/unique_handle.h"

// The access an open or create asks for.
enum RegistryAccess : int {
  REGISTRY_READ = 0,
  REGISTRY_READ_WRITE = 2,
  REGISTRY_WRITE = 3,
};

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};
using RegistryKeyHandle = UniqueHandle<RegistryKeyTraits>;

// The roots that lists write below, by the short names of the journal and
// the install log ("HKCR", "HKCU", "HKLM") and by their full names.
const char* RootShortName(HKEY root);
const char* RootFullName(HKEY root);
// The root of a short name; null for any other text.
HKEY RootOfShortName(const char* name);
// Where the product's uninstall entry, and so its install record, lives:
// the user's own root in a per-user installation, the machine's otherwise.
HKEY ProductRoot();

// Holds at most one open registry key and turns the registry's failures
// into the program's error codes (200 to 203, 100 for a missing name).
class RegistryKey {
public:
  explicit RegistryKey(HINSTANCE instance) : instance_(instance) {}

  // Opens an existing key; throws SETUP_ERR_REG_OPEN.
  bool Open(HKEY root, const char* subkey, RegistryAccess access);
  bool OpenById(HKEY root, UINT subkeyId, RegistryAccess access);
  // Opens or creates a key and its path. False when the registry refuses;
  // throws SETUP_ERR_REG_CREATE for read-only access without trying.
  bool Create(HKEY root, const char* subkey, RegistryAccess access);
  bool CreateById(HKEY root, UINT subkeyId, RegistryAccess access);

  // Reads a value of any type into a new zero-filled block one byte longer
  // than the data, so it is always terminated, and replaces the block held
  // by `block`. False when no key is held; throws SETUP_ERR_REG_QUERY or
  // SETUP_ERR_NO_MEMORY, leaving `block` as it was.
  bool QueryString(const char* name, GlobalBlock& block);
  bool QueryStringById(UINT nameId, GlobalBlock& block);
  // Writes REG_SZ (or `type`, REG_EXPAND_SZ) with its terminator. False
  // when no key is held; throws SETUP_ERR_REG_SET.
  bool SetString(const char* name, const char* text, DWORD type = REG_SZ);
  // Reads at most 4 bytes whatever the type; throws SETUP_ERR_REG_QUERY.
  bool QueryDword(const char* name, DWORD& number);
  // False only when the key has no value of that name; true when it has
  // one, readable or not.
  bool HasValue(const char* name) const;
  bool SetDword(const char* name, DWORD number);

  // Deletes a key, ignoring the outcome.
  static bool DeleteKey(HKEY root, const char* subkey);

  void Close() { key_.reset(); }
  bool IsOpen() const { return key_.valid(); }

private:
  HINSTANCE instance_;
  RegistryKeyHandle key_;
};
