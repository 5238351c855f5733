#include "engine/restart_pending.h"

#include <windows.h>

#include <cstring>
#include <memory>

#include "platform/globals.h"
#include "registry/registry_key.h"

namespace {

const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// The list belongs to every program on the machine, and other programs'
// names need not fit the ANSI code page: it is read and written in UTF-16
// only, and everything but our own pair is carried over unit for unit.

// Our ANSI path in UTF-16, upper case, as the file system compares names,
// and its length; 0 when it cannot be converted. Our paths are those the
// system's ANSI calls took, which take no longer ones.
std::size_t ComparableName(const char* path, wchar_t (&name)[kPathSize]) {
  const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, name, kPathSize);
  if (length <= 1) return 0;
  CharUpperBuffW(name, static_cast<DWORD>(length - 1));
  return static_cast<std::size_t>(length - 1);
}

// Whether the string of `length` units at `text` names `wanted` (upper
// case): the list holds native paths ("\??\C:\..."), and a target that
// replaces an existing file begins with "!".
bool Names(const wchar_t* text, std::size_t length, const wchar_t* wanted, std::size_t wantedLength) {
  if (length > 0 && text[0] == L'!') ++text, --length;
  if (length >= 4 && text[0] == L'\\' && text[1] == L'?' && text[2] == L'?' && text[3] == L'\\') text += 4, length -= 4;
  if (length != wantedLength) return false;
  wchar_t name[kPathSize];
  std::memcpy(name, text, length * sizeof(wchar_t));
  CharUpperBuffW(name, static_cast<DWORD>(length));
  return std::memcmp(name, wanted, length * sizeof(wchar_t)) == 0;
}

// The length of the string at `at`, which ends at its terminator or at
// `units`, the end of the data.
std::size_t StringLength(const wchar_t* data, std::size_t at, std::size_t units) {
  std::size_t end = at;
  while (end < units && data[end] != L'\0') ++end;
  return end - at;
}

}  // namespace

bool RemovePendingRename(const char* newFile, const char* target) {
  const bool deletion = lstrcmpiA(target, "NUL") == 0;
  wchar_t source[kPathSize];
  wchar_t destination[kPathSize];
  const std::size_t sourceLength = ComparableName(newFile, source);
  const std::size_t destinationLength = deletion ? 0 : ComparableName(target, destination);
  if (!sourceLength || (!deletion && !destinationLength)) return false;

  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened) !=
      ERROR_SUCCESS)
    return false;
  RegistryKeyHandle key(opened);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return false;
  // A byte more than whole units hold is kept as the data's last unit.
  const std::size_t capacity = size / sizeof(wchar_t) + 2;
  std::unique_ptr<wchar_t[]> data(new wchar_t[capacity]());
  DWORD read = static_cast<DWORD>(capacity * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(data.get()), &read) !=
          ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return false;
  const std::size_t byteSize = read;
  std::size_t units = (byteSize + 1) / sizeof(wchar_t);

  // The strings of the list in pairs. The pairs end at the double zero, but
  // an empty target (a deletion) is itself an empty string: the strings are
  // read up to the end of the data. Only our pair's strings leave the data;
  // what stands before and after them stays as the other programs wrote it.
  for (std::size_t at = 0; at < units;) {
    const std::size_t from = at;
    const std::size_t fromLength = StringLength(data.get(), from, units);
    const std::size_t to = from + fromLength + 1;
    if (to >= units) break;
    const std::size_t toLength = StringLength(data.get(), to, units);
    at = to + toLength + 1;
    const bool ours = Names(data.get() + from, fromLength, source, sourceLength) &&
                      (deletion ? toLength == 0 : Names(data.get() + to, toLength, destination, destinationLength));
    if (!ours) continue;
    // The last string may lack its terminator.
    const std::size_t end = at < units ? at : units;
    const std::size_t removedBytes = (end - from) * sizeof(wchar_t);
    if (removedBytes >= byteSize) return RegDeleteValueW(key.get(), kPendingValue) == ERROR_SUCCESS;
    std::memmove(data.get() + from, data.get() + end, (units - end) * sizeof(wchar_t));
    units -= end - from;
    bool onlyTerminators = true;
    for (std::size_t i = 0; i < units; ++i) onlyTerminators = onlyTerminators && data[i] == L'\0';
    if (onlyTerminators) return RegDeleteValueW(key.get(), kPendingValue) == ERROR_SUCCESS;
    return RegSetValueExW(key.get(), kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.get()),
                          static_cast<DWORD>(byteSize - removedBytes)) == ERROR_SUCCESS;
  }
  return false;
}
