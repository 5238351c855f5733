#include "engine/restart_pending.h"

#include <windows.h>

#include <vector>

#include "registry/registry_key.h"

namespace {

const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// The list belongs to every program on the machine, and other programs'
// names need not fit the ANSI code page: it is read and written in UTF-16
// only, and everything but our own pair is carried over unit for unit.
using WideText = std::vector<wchar_t>;

// Our ANSI path in UTF-16, upper case, as the file system compares names;
// empty when it cannot be converted.
WideText ComparableName(const char* path) {
  const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (length <= 0) return WideText();
  WideText name(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path, -1, name.data(), length);
  name.pop_back();  // the terminator
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

// One string of the list, by its place in the value's data.
struct Entry {
  std::size_t start;
  std::size_t length;  // without its terminator
};

// Whether entry `entry` of `data` names `wanted` (upper case): the list holds
// native paths ("\??\C:\..."), and a target that replaces an existing file
// begins with "!".
bool Names(const WideText& data, const Entry& entry, const WideText& wanted) {
  std::size_t start = entry.start;
  std::size_t length = entry.length;
  if (length > 0 && data[start] == L'!') ++start, --length;
  if (length >= 4 && data[start] == L'\\' && data[start + 1] == L'?' && data[start + 2] == L'?' &&
      data[start + 3] == L'\\')
    start += 4, length -= 4;
  if (length != wanted.size()) return false;
  WideText name(data.begin() + static_cast<std::ptrdiff_t>(start),
                data.begin() + static_cast<std::ptrdiff_t>(start + length));
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name == wanted;
}

// The strings of the list in pairs. The pairs end at the double zero, but an
// empty target (a deletion) is itself an empty string: the strings are read
// up to the end of the data.
std::vector<Entry> SplitEntries(const WideText& data) {
  std::vector<Entry> entries;
  std::size_t at = 0;
  while (at < data.size()) {
    std::size_t end = at;
    while (end < data.size() && data[end] != L'\0') ++end;
    entries.push_back(Entry{at, end - at});
    at = end + 1;
  }
  return entries;
}

bool OnlyTerminators(const WideText& data) {
  for (wchar_t unit : data) {
    if (unit != L'\0') return false;
  }
  return true;
}

}  // namespace

bool RemovePendingRename(const char* newFile, const char* target) {
  const bool deletion = lstrcmpiA(target, "NUL") == 0;
  const WideText source = ComparableName(newFile);
  const WideText destination = deletion ? WideText() : ComparableName(target);
  if (source.empty() || (!deletion && destination.empty())) return false;

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
  WideText data(size / sizeof(wchar_t) + 2, L'\0');
  DWORD read = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &read) !=
          ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return false;
  const std::size_t byteSize = read;
  data.resize((byteSize + 1) / sizeof(wchar_t));

  // Only our pair's strings leave the data; what stands before and after
  // them stays as the other programs wrote it.
  const std::vector<Entry> entries = SplitEntries(data);
  for (std::size_t i = 0; i + 1 < entries.size(); i += 2) {
    const Entry& from = entries[i];
    const Entry& to = entries[i + 1];
    const bool ours = Names(data, from, source) && (deletion ? to.length == 0 : Names(data, to, destination));
    if (!ours) continue;
    // The last string may lack its terminator.
    const std::size_t end = to.start + to.length + 1 < data.size() ? to.start + to.length + 1 : data.size();
    const std::size_t removedBytes = (end - from.start) * sizeof(wchar_t);
    if (removedBytes >= byteSize) return RegDeleteValueW(key.get(), kPendingValue) == ERROR_SUCCESS;
    data.erase(data.begin() + static_cast<std::ptrdiff_t>(from.start),
               data.begin() + static_cast<std::ptrdiff_t>(end));
    if (OnlyTerminators(data)) return RegDeleteValueW(key.get(), kPendingValue) == ERROR_SUCCESS;
    return RegSetValueExW(key.get(), kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(byteSize - removedBytes)) == ERROR_SUCCESS;
  }
  return false;
}
