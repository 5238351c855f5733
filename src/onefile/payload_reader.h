#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "payload/payload_format.h"
#include "platform/unique_handle.h"

// The set inside a one-file Setup.exe (payload/payload_format.h), read
// from the program's own file. Open checks the whole payload before
// anything else is done with it; each file is checked again as it is
// expanded.
class PayloadReader {
 public:
  struct Entry {
    std::uint64_t offset;  // in the expanded stream
    DWORD size;
    DWORD crc;
    DWORD hash;
    const char* name;
  };
  enum class Opened { None, Damaged, Ready };

  PayloadReader() = default;
  PayloadReader(const PayloadReader&) = delete;
  PayloadReader& operator=(const PayloadReader&) = delete;

  // None: `program` carries no payload. Damaged: it carries one that is
  // cut short, changed or otherwise unusable.
  Opened Open(const char* program);

  const Entry* Find(const char* name) const;
  std::uint32_t startSize() const { return header_.startSize; }
  DWORD count() const { return count_; }
  const Entry& entry(DWORD index) const { return entries_[index]; }

  using ChunkDone = void (*)(void* context, DWORD written);
  enum class Copied { Whole, Damaged, WriteFailed };
  // Writes the entry's content into `target` from its current position, a
  // chunk at a time, `chunkDone` between the chunks. Damaged when the
  // payload cannot be read or expanded, or the content does not match its
  // checksum.
  Copied Copy(const Entry& entry, HANDLE target, ChunkDone chunkDone, void* context, DWORD& written);

 private:
  bool Seek(DWORD offset) const;
  bool ReadAt(DWORD offset, void* buffer, DWORD size) const;
  bool CheckWhole(DWORD payloadSize);
  bool ReadDirectory(const std::uint8_t* bytes, DWORD size);
  // The expanded block, or null when it cannot be had.
  const std::uint8_t* Block(DWORD index);

  FileHandle file_;
  DWORD offset_ = 0;  // of the payload in the file
  PayloadHeader header_ = {};
  std::unique_ptr<PayloadBlock[]> blocks_;
  std::unique_ptr<std::uint64_t[]> blockStart_;  // in the expanded stream
  std::unique_ptr<DWORD[]> blockAt_;             // of the packed block in the file
  std::unique_ptr<char[]> names_;
  std::unique_ptr<Entry[]> entries_;
  DWORD count_ = 0;
  std::unique_ptr<DWORD[]> table_;  // entry index + 1 by name hash, open addressing
  DWORD tableSize_ = 0;
  std::unique_ptr<std::uint8_t[]> shared_;  // the first block, for the whole run
  std::unique_ptr<std::uint8_t[]> current_;
  std::unique_ptr<std::uint8_t[]> packed_;
  DWORD currentBlock_ = 0xFFFFFFFFu;
};
