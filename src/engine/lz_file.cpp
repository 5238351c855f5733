#include "engine/lz_file.h"

#include "platform/system_library.h"

namespace {

using LzInitFn = INT(WINAPI*)(INT);
using LzCopyFn = LONG(WINAPI*)(INT, INT);
using LzCloseFn = void(WINAPI*)(INT);

const char kLzLibrary[] = "lz32.dll";

// Returned by LZCopy for a handle it cannot read (LZERROR_BADINHANDLE).
constexpr LONG kBadInHandle = -1;

// The library takes files as HFILE numbers, the 32-bit form of a file
// handle that OpenFile and _lopen give.
INT ToFileNumber(HANDLE file) { return static_cast<INT>(reinterpret_cast<INT_PTR>(file)); }
HANDLE ToHandle(INT number) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(number)); }

}  // namespace

bool LzFile::OpenSource(const char* path) {
  Close();
  auto init = GetSystemProc<LzInitFn>(kLzLibrary, "LZInit");
  if (!init || !GetSystemProc<LzCloseFn>(kLzLibrary, "LZClose")) return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // LZInit reads the header: a compressed file gets a handle of the
  // library, which owns the file from then on; a plain one keeps its own.
  const INT handle = init(ToFileNumber(file));
  if (handle < 0) {
    CloseHandle(file);
    return false;
  }
  handle_ = handle;
  throughLibrary_ = true;
  return true;
}

void LzFile::Close() {
  if (handle_ < 0) return;
  if (!throughLibrary_) {
    CloseHandle(ToHandle(handle_));
  } else if (auto close = GetSystemProc<LzCloseFn>(kLzLibrary, "LZClose")) {
    close(handle_);
  }
  handle_ = -1;
}

LONG LzFile::Copy(const LzFile& source, HANDLE target) {
  auto copy = GetSystemProc<LzCopyFn>(kLzLibrary, "LZCopy");
  if (!copy || !source.valid() || target == INVALID_HANDLE_VALUE) return kBadInHandle;
  return copy(source.handle_, ToFileNumber(target));
}
