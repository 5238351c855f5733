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

  // Told the bytes written so far after each chunk of a copy.
  using ChunkDone = void (*)(void* context, DWORD written);

  // Expands a compressed source, or copies a plain one unchanged, into the
  // file `target`, open for writing, from its current position, as LZCopy
  // does but a chunk at a time: `chunkDone` (when given) runs between the
  // chunks, so that a long copy lets the windows answer. The bytes
  // written, or a negative LZ error code (read -3, write -4).
  // When `crc` is given, it receives the CRC-32 of the bytes written.
  static LONG Copy(const LzFile& source, HANDLE target, ChunkDone chunkDone = nullptr, void* context = nullptr,
                   DWORD* crc = nullptr);

private:
  INT handle_ = -1;
  bool throughLibrary_ = false;  // closed with LZClose, else CloseHandle
  // LZInit gave the file back as it was: it is read as it stands.
  bool plain_ = false;
};
