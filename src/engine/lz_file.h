#pragma once
#include <windows.h>

// The source of a copy, handed to the LZ expansion library: read through
// the library, so that a compressed file is expanded. The library
// is loaded from the system folder on first use, never imported, so that a
// DLL of the same name beside Setup.exe is never picked up.
//
// The files are opened here rather than with LZOpenFileA: that goes
// through OpenFile, whose record holds only 128 characters of path, and
// fails for longer paths that are perfectly valid destinations.
class LzFile {
public:
  LzFile() = default;
  ~LzFile() { Close(); }
  LzFile(const LzFile&) = delete;
  LzFile& operator=(const LzFile&) = delete;

  // Opens an existing file for reading, others may not write to it while
  // it is open. False when it cannot be opened or the library is missing.
  bool OpenSource(const char* path);
  void Close();

  bool valid() const { return handle_ >= 0; }

  // LZCopy: expands a compressed source, or copies a plain one unchanged,
  // into the file `target`, open for writing, from its current position.
  // The bytes written, or a negative LZ error code.
  static LONG Copy(const LzFile& source, HANDLE target);

private:
  INT handle_ = -1;
  bool throughLibrary_ = false;  // closed with LZClose, else CloseHandle
};
