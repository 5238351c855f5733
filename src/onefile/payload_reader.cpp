#include "onefile/payload_reader.h"

#include <cstring>
#include <new>

#include "payload/crc32.h"
#include "payload/payload_block.h"
#include "platform/globals.h"
#include "platform/name_hash.h"

namespace {

constexpr DWORD kChunk = 256 * 1024;

DWORD Read32(const std::uint8_t* at) {
  return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) | (static_cast<DWORD>(at[2]) << 16) |
         (static_cast<DWORD>(at[3]) << 24);
}

// A set name stays inside the folder it is put in: no drive, no root, no
// step up.
bool IsSafeName(const char* name) {
  if (!name[0] || name[0] == '\\' || name[0] == '/' || std::strchr(name, ':')) return false;
  const char* part = name;
  for (;;) {
    const char* end = part;
    while (*end && *end != '\\' && *end != '/') ++end;
    const std::size_t length = static_cast<std::size_t>(end - part);
    if (length == 0 || (part[0] == '.' && (length == 1 || (length == 2 && part[1] == '.')))) return false;
    if (!*end) return true;
    part = end + 1;
  }
}

template <typename T>
std::unique_ptr<T[]> NewArray(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count ? count : 1]());
}

}  // namespace

// Offsets are unsigned 32-bit: a high part of 0 keeps those past 2 GiB
// from being taken for negative ones.
bool PayloadReader::Seek(DWORD offset) const {
  LONG high = 0;
  return SetFilePointer(file_.get(), static_cast<LONG>(offset), &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER ||
         GetLastError() == NO_ERROR;
}

bool PayloadReader::ReadAt(DWORD offset, void* buffer, DWORD size) const {
  if (!Seek(offset)) return false;
  char* at = static_cast<char*>(buffer);
  while (size) {
    DWORD got = 0;
    if (!ReadFile(file_.get(), at, size, &got, nullptr) || got == 0) return false;
    at += got;
    size -= got;
  }
  return true;
}

PayloadReader::Opened PayloadReader::Open(const char* program) {
  file_.reset(
      CreateFileA(program, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) return Opened::None;
  std::uint8_t dos[kPayloadMarkOffset + sizeof(PayloadMark)];
  if (!ReadAt(0, dos, sizeof dos)) return Opened::None;
  PayloadMark mark;
  std::memcpy(&mark, dos + kPayloadMarkOffset, sizeof mark);
  if (std::memcmp(mark.mark, kPayloadMark, sizeof mark.mark) != 0) return Opened::None;
  // From here on the program says it carries a set: anything that does
  // not hold together is a damaged download.
  if (Crc32(&mark, 12) != mark.crc) return Opened::Damaged;
  DWORD high = 0;
  const DWORD fileSize = GetFileSize(file_.get(), &high);
  if (high || fileSize == INVALID_FILE_SIZE || mark.size < sizeof header_ || mark.offset > fileSize ||
      fileSize - mark.offset < mark.size)
    return Opened::Damaged;
  offset_ = mark.offset;
  if (!ReadAt(offset_, &header_, sizeof header_) || std::memcmp(header_.magic, kPayloadMagic, sizeof header_.magic) ||
      header_.headerSize != sizeof header_ || Crc32(&header_, sizeof header_ - 4) != header_.headerCrc)
    return Opened::Damaged;
  if (!CheckWhole(mark.size)) return Opened::Damaged;

  // The tables: block records, then the directory.
  const std::uint64_t tableBytes = std::uint64_t{header_.blockCount} * sizeof(PayloadBlock);
  if (tableBytes + header_.directorySize > mark.size - sizeof header_) return Opened::Damaged;
  blocks_ = NewArray<PayloadBlock>(header_.blockCount);
  blockStart_ = NewArray<std::uint64_t>(header_.blockCount);
  blockAt_ = NewArray<DWORD>(header_.blockCount);
  std::unique_ptr<std::uint8_t[]> directory = NewArray<std::uint8_t>(header_.directorySize);
  if (!blocks_ || !blockStart_ || !blockAt_ || !directory) return Opened::Damaged;
  DWORD at = offset_ + sizeof header_;
  if (!ReadAt(at, blocks_.get(), static_cast<DWORD>(tableBytes))) return Opened::Damaged;
  at += static_cast<DWORD>(tableBytes);
  if (!ReadAt(at, directory.get(), header_.directorySize)) return Opened::Damaged;
  at += header_.directorySize;
  std::uint64_t expanded = 0;
  DWORD largestPacked = 0;
  DWORD largestBlock = 0;
  const DWORD end = offset_ + mark.size;
  for (DWORD i = 0; i < header_.blockCount; ++i) {
    const PayloadBlock& block = blocks_[i];
    if (block.unpackedSize == 0 || block.unpackedSize > kMaxBlockSize || block.packedSize > end - at)
      return Opened::Damaged;
    blockStart_[i] = expanded;
    blockAt_[i] = at;
    at += block.packedSize;
    expanded += block.unpackedSize;
    if (block.packedSize > largestPacked) largestPacked = block.packedSize;
    if (block.unpackedSize > largestBlock) largestBlock = block.unpackedSize;
  }
  if (at != end || expanded != header_.unpackedSize || header_.startSize > header_.sharedSize) return Opened::Damaged;
  if (header_.sharedSize && (!header_.blockCount || blocks_[0].unpackedSize != header_.sharedSize))
    return Opened::Damaged;
  if (!ReadDirectory(directory.get(), header_.directorySize)) return Opened::Damaged;

  packed_ = NewArray<std::uint8_t>(largestPacked);
  current_ = NewArray<std::uint8_t>(largestBlock);
  if (!packed_ || !current_) return Opened::Damaged;
  if (header_.sharedSize) {
    // The start files and the shared contents, expanded once.
    if (!Block(0)) return Opened::Damaged;
    shared_ = std::move(current_);
    current_ = NewArray<std::uint8_t>(largestBlock);
    currentBlock_ = 0xFFFFFFFFu;
    if (!current_) return Opened::Damaged;
  }
  return Opened::Ready;
}

// Every byte after the header against the header's checksum: a download
// cut or changed anywhere is known before the first page.
bool PayloadReader::CheckWhole(DWORD payloadSize) {
  std::unique_ptr<std::uint8_t[]> chunk = NewArray<std::uint8_t>(kChunk * 4);
  if (!chunk) return false;
  DWORD at = offset_ + sizeof header_;
  DWORD left = payloadSize - sizeof header_;
  std::uint32_t crc = 0;
  if (!Seek(at)) return false;
  while (left) {
    const DWORD want = left < kChunk * 4 ? left : kChunk * 4;
    DWORD got = 0;
    if (!ReadFile(file_.get(), chunk.get(), want, &got, nullptr) || got == 0) return false;
    crc = Crc32(chunk.get(), got, crc);
    left -= got;
  }
  return crc == header_.payloadCrc;
}

bool PayloadReader::ReadDirectory(const std::uint8_t* bytes, DWORD size) {
  const DWORD count = header_.fileCount;
  if (count > size / 18) return false;
  entries_ = NewArray<Entry>(count);
  names_ = NewArray<char>(static_cast<std::size_t>(size) + count);
  tableSize_ = 16;
  while (tableSize_ < count * 2) tableSize_ *= 2;
  table_ = NewArray<DWORD>(tableSize_);
  if (!entries_ || !names_ || !table_) return false;
  DWORD at = 0;
  char* name = names_.get();
  for (DWORD i = 0; i < count; ++i) {
    if (size - at < 18) return false;
    Entry& entry = entries_[i];
    entry.size = Read32(bytes + at);
    entry.crc = Read32(bytes + at + 4);
    entry.offset = Read32(bytes + at + 8) | (std::uint64_t{Read32(bytes + at + 12)} << 32);
    const DWORD length = bytes[at + 16] | (static_cast<DWORD>(bytes[at + 17]) << 8);
    at += 18;
    if (length == 0 || length >= kPathSize || size - at < length) return false;
    if (entry.offset > header_.unpackedSize || entry.size > header_.unpackedSize - entry.offset) return false;
    // A start file lies wholly in the start, every other wholly after it.
    const bool start = entry.offset < header_.startSize;
    if (start && entry.offset + entry.size > header_.startSize) return false;
    std::memcpy(name, bytes + at, length);
    name[length] = '\0';
    at += length;
    if (std::strlen(name) != length || !IsSafeName(name)) return false;
    entry.name = name;
    entry.hash = FoldedNameHash(name);
    name += length + 1;
    DWORD slot = entry.hash & (tableSize_ - 1);
    while (table_[slot]) slot = (slot + 1) & (tableSize_ - 1);
    table_[slot] = i + 1;
  }
  count_ = count;
  return at == size;
}

const PayloadReader::Entry* PayloadReader::Find(const char* name) const {
  if (!tableSize_) return nullptr;
  const DWORD hash = FoldedNameHash(name);
  for (DWORD slot = hash & (tableSize_ - 1); table_[slot]; slot = (slot + 1) & (tableSize_ - 1)) {
    const Entry& entry = entries_[table_[slot] - 1];
    if (entry.hash == hash && lstrcmpiA(entry.name, name) == 0) return &entry;
  }
  return nullptr;
}

const std::uint8_t* PayloadReader::Block(DWORD index) {
  if (index == 0 && shared_) return shared_.get();
  if (index == currentBlock_) return current_.get();
  currentBlock_ = 0xFFFFFFFFu;
  const PayloadBlock& block = blocks_[index];
  if (!ReadAt(blockAt_[index], packed_.get(), block.packedSize) || !ExpandBlock(block, packed_.get(), current_.get()))
    return nullptr;
  currentBlock_ = index;
  return current_.get();
}

PayloadReader::Copied PayloadReader::Copy(const Entry& entry, HANDLE target, ChunkDone chunkDone, void* context,
                                          DWORD& written) {
  written = 0;
  std::uint64_t at = entry.offset;
  DWORD left = entry.size;
  std::uint32_t crc = 0;
  DWORD index = 0;
  while (left) {
    while (index + 1 < header_.blockCount && blockStart_[index + 1] <= at) ++index;
    const std::uint8_t* block = Block(index);
    if (!block) return Copied::Damaged;
    const DWORD inBlock = static_cast<DWORD>(at - blockStart_[index]);
    DWORD piece = blocks_[index].unpackedSize - inBlock;
    if (piece > left) piece = left;
    if (piece > kChunk) piece = kChunk;
    DWORD put = 0;
    if (!WriteFile(target, block + inBlock, piece, &put, nullptr) || put != piece) return Copied::WriteFailed;
    crc = Crc32(block + inBlock, piece, crc);
    written += piece;
    left -= piece;
    at += piece;
    if (chunkDone) chunkDone(context, written);
  }
  return crc == entry.crc ? Copied::Whole : Copied::Damaged;
}
