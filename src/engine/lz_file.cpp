#include "engine/lz_file.h"

#include "shell/globals.h"
#include "shell/string_table.h"
#include "shell/system_library.h"

namespace {

using LzOpenFileFn = INT(WINAPI*)(LPSTR, LPOFSTRUCT, WORD);
using LzCopyFn = LONG(WINAPI*)(INT, INT);
using LzCloseFn = void(WINAPI*)(INT);

const char kLzLibrary[] = "lz32.dll";

// Returned by LZCopy for a handle it cannot read (LZERROR_BADINHANDLE).
constexpr LONG kBadInHandle = -1;

}  // namespace

bool LzFile::Open(const char* path, OFSTRUCT& record, WORD style) {
  Close();
  auto open = GetSystemProc<LzOpenFileFn>(kLzLibrary, "LZOpenFileA");
  if (!open) return false;
  char name[kPathSize];
  if (!CopyText(name, sizeof name, path)) return false;  // never open a cut path
  const INT handle = open(name, &record, style);
  if (handle < 0) return false;
  handle_ = handle;
  return true;
}

void LzFile::Close() {
  if (handle_ < 0) return;
  if (auto close = GetSystemProc<LzCloseFn>(kLzLibrary, "LZClose")) close(handle_);
  handle_ = -1;
}

LONG LzFile::Copy(const LzFile& source, const LzFile& destination) {
  auto copy = GetSystemProc<LzCopyFn>(kLzLibrary, "LZCopy");
  if (!copy || !source.valid() || !destination.valid()) return kBadInHandle;
  return copy(source.get(), destination.get());
}
