#include "engine/lz_file.h"

#include <memory>

#include "payload/crc32.h"
#include "platform/system_library.h"

namespace {

using LzInitFn = INT(WINAPI*)(INT);
using LzReadFn = INT(WINAPI*)(INT, LPSTR, INT);
using LzCloseFn = void(WINAPI*)(INT);

const char kLzLibrary[] = "lz32.dll";

// The LZ error codes of a copy (LZERROR_BADINHANDLE, _READ, _WRITE).
constexpr LONG kBadInHandle = -1;
constexpr LONG kReadError = -3;
constexpr LONG kWriteError = -4;

// Large enough that a plain copy runs at the file system's pace (the
// platform's LZCopy moves a thousand bytes a call), small enough that an
// expanded chunk takes a few milliseconds.
constexpr DWORD kChunkSize = 256 * 1024;

// One buffer for every copy (one thread), made at the first and kept: not
// a static array, which would take its size in Setup.exe itself. Throws
// std::bad_alloc.
char* ChunkBuffer() {
  static std::unique_ptr<char[]> buffer;
  if (!buffer) buffer.reset(new char[kChunkSize]);
  return buffer.get();
}

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
  plain_ = handle == ToFileNumber(file);
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

LONG LzFile::Copy(const LzFile& source, HANDLE target, ChunkDone chunkDone, void* context, DWORD* crc) {
  auto read = GetSystemProc<LzReadFn>(kLzLibrary, "LZRead");
  if (!read || !source.valid() || target == INVALID_HANDLE_VALUE) return kBadInHandle;
  char* chunk = ChunkBuffer();
  DWORD total = 0;
  if (crc) *crc = 0;
  for (;;) {
    DWORD got = 0;
    if (source.plain_) {
      if (!ReadFile(ToHandle(source.handle_), chunk, kChunkSize, &got, nullptr)) return kReadError;
    } else {
      const INT expanded = read(source.handle_, chunk, static_cast<INT>(kChunkSize));
      if (expanded < 0) return expanded;
      got = static_cast<DWORD>(expanded);
    }
    if (got == 0) return static_cast<LONG>(total);
    // The count is a LONG, as LZCopy's: a file of 2 GiB or more is no file
    // this format carries.
    if (got > 0x7FFFFFFFu - total) return kWriteError;
    DWORD written = 0;
    if (!WriteFile(target, chunk, got, &written, nullptr) || written != got) return kWriteError;
    total += got;
    if (crc) *crc = Crc32(chunk, got, *crc);
    if (chunkDone) chunkDone(context, total);
  }
}
