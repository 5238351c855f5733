// Setup.exe's own versions of the runtime's entry points for the memory of
// exceptions and for the unwind entries of its functions: smaller, for a
// program that throws on one thread. Linked into Setup.exe beside
// lean_runtime.cpp, and into a test program of their own, whose every
// exception they serve.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>

// The memory of a thrown exception: the runtime's own allocator keeps a
// reserve of 64 KB for exceptions thrown when the heap is exhausted, with
// its own lock and start-up code, 2 KB of the program. Setup.exe throws an
// integer code or std::bad_alloc, a few at most at a time: a reserve of
// four does. In front of each object lies the runtime's record of the
// exception, which it finds from the object's address; it is 96 bytes
// with this compiler, and the room left for it is rounded up in case it
// grows. The runtime frees every exception through __cxa_free_exception.
namespace {

constexpr std::size_t kExceptionRecordRoom = 128;
constexpr std::size_t kReservedObjectSize = 16;
constexpr int kReserveCount = 4;
alignas(16) unsigned char g_reserve[kReserveCount][kExceptionRecordRoom + kReservedObjectSize];
bool g_reserveTaken[kReserveCount];

}  // namespace

extern "C" void* __cxa_allocate_exception(std::size_t size) noexcept {
  auto* block = static_cast<unsigned char*>(std::malloc(kExceptionRecordRoom + size));
  for (int slot = 0; !block && size <= kReservedObjectSize && slot < kReserveCount; ++slot) {
    if (g_reserveTaken[slot]) continue;
    g_reserveTaken[slot] = true;
    block = g_reserve[slot];
  }
  if (!block) std::terminate();
  std::memset(block, 0, kExceptionRecordRoom);
  return block + kExceptionRecordRoom;
}

extern "C" void __cxa_free_exception(void* object) noexcept {
  unsigned char* block = static_cast<unsigned char*>(object) - kExceptionRecordRoom;
  for (int slot = 0; slot < kReserveCount; ++slot) {
    if (block != g_reserve[slot]) continue;
    g_reserveTaken[slot] = false;
    return;
  }
  std::free(block);
}

// Where the unwinder finds the unwind entry of a function. The runtime's
// version sorts every entry into a table at the first throw, with code
// for every encoding and for blocks registered and withdrawn by any thread,
// 8 KB of the program. Setup.exe registers one block, the whole .eh_frame
// section (its start-up objects do), throws rarely, and all its entries
// give their addresses relative to themselves in 4 bytes: a walk through
// the block at each frame does.
namespace {

// What the unwinder learns of the function an entry describes, in its own
// layout. No entry here is relative to the text or the data.
struct FrameBases {
  void* textBase;
  void* dataBase;
  void* function;
};

// A registered block, kept in the bookkeeping the start-up code hands over
// with it, which the runtime's version fills with more.
struct FrameBlock {
  const unsigned char* entries;
  FrameBlock* next;
};
FrameBlock* g_frameBlocks = nullptr;

// The one encoding of an entry's address here: a signed 4-byte distance
// from where it is written (DW_EH_PE_pcrel | DW_EH_PE_sdata4).
constexpr unsigned char kRelative4 = 0x1b;

std::uint32_t Word(const unsigned char* at) {
  std::uint32_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The address that the signed distance written at `at` leads to.
std::uintptr_t RelativeAddress(const unsigned char* at) {
  const auto distance = static_cast<std::int32_t>(Word(at));
  return reinterpret_cast<std::uintptr_t>(at) + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(distance));
}

const unsigned char* SkipLeb128(const unsigned char* at) {
  while (*at++ & 0x80) {
  }
  return at;
}

// Whether a common entry (CIE) gives its entries' addresses as kRelative4:
// the 'R' of its augmentation names the encoding.
bool AddressesRelative4(const unsigned char* cie) {
  const unsigned char* at = cie + 8;  // past the length and the id
  const unsigned char version = *at++;
  const char* augmentation = reinterpret_cast<const char*>(at);
  if (augmentation[0] != 'z') return false;
  at = SkipLeb128(SkipLeb128(at + std::strlen(augmentation) + 1));  // the alignment factors
  at = version == 1 ? at + 1 : SkipLeb128(at);                      // the return address register
  at = SkipLeb128(at);                                              // the augmentation's length
  for (const char* letter = augmentation + 1; *letter; ++letter) {
    switch (*letter) {
      case 'R':
        return *at == kRelative4;
      case 'P': {
        // The personality routine's address: its encoding, then 4 bytes
        // (an absolute, unsigned or signed 4-byte value, not aligned).
        const unsigned char format = *at & 0x0f;
        if ((format != 0x00 && format != 0x03 && format != 0x0b) || (*at & 0x70) == 0x50) return false;
        at += 5;
        break;
      }
      case 'L':
        ++at;
        break;
      default:
        return false;
    }
  }
  return false;
}

}  // namespace

extern "C" void __register_frame_info(const void* entries, void* bookkeeping) {
  const auto* first = static_cast<const unsigned char*>(entries);
  if (!first || Word(first) == 0) return;
  auto* block = static_cast<FrameBlock*>(bookkeeping);
  block->entries = first;
  block->next = g_frameBlocks;
  g_frameBlocks = block;
}

extern "C" void* __deregister_frame_info(const void* entries) {
  for (FrameBlock** link = &g_frameBlocks; *link; link = &(*link)->next) {
    FrameBlock* block = *link;
    if (block->entries != entries) continue;
    *link = block->next;
    return block;
  }
  return nullptr;
}

extern "C" const void* _Unwind_Find_FDE(void* pc, FrameBases* bases) {
  const auto address = reinterpret_cast<std::uintptr_t>(pc);
  for (const FrameBlock* block = g_frameBlocks; block; block = block->next) {
    // Each entry: its length (0 ends the block), then 0 for a common
    // entry, or for a function's entry (FDE) the distance back to its
    // common entry, its address and its size.
    for (const unsigned char* entry = block->entries; Word(entry) != 0; entry += 4 + Word(entry)) {
      const std::uint32_t back = Word(entry + 4);
      if (back == 0 || !AddressesRelative4(entry + 4 - back)) continue;
      const std::uintptr_t start = RelativeAddress(entry + 8);
      if (start == 0 || address - start >= Word(entry + 12)) continue;
      bases->textBase = nullptr;
      bases->dataBase = nullptr;
      bases->function = reinterpret_cast<void*>(start);
      return entry;
    }
  }
  return nullptr;
}
