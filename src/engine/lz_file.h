#pragma once
#include <windows.h>

// One file opened with the LZ expansion library. The library is loaded
// from the system folder on first use, never imported, so that a DLL of
// the same name beside Setup.exe is never picked up.
class LzFile {
public:
  LzFile() = default;
  ~LzFile() { Close(); }
  LzFile(const LzFile&) = delete;
  LzFile& operator=(const LzFile&) = delete;

  // LZOpenFileA with `style`; false when the file cannot be opened or the
  // library is missing. `record` is shared by the opens of one copy.
  bool Open(const char* path, OFSTRUCT& record, WORD style);
  void Close();

  bool valid() const { return handle_ >= 0; }
  INT get() const { return handle_; }

  // LZCopy: expands a compressed source, or copies a plain one unchanged,
  // into `destination`. The bytes written, or a negative LZ error code.
  static LONG Copy(const LzFile& source, const LzFile& destination);

private:
  INT handle_ = -1;
};
