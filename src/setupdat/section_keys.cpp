#include "setupdat/section_keys.h"

#include <cstring>
#include <utility>

#include "platform/setup_error.h"
#include "shell/setup_session.h"

namespace {

constexpr DWORD kLargestNamesBlock = 32768;
constexpr DWORD kSmallestNamesBlock = 1024;

// The largest block that can be had, halving from 32 KiB down to 1 KiB.
GlobalBlock AllocateNamesBlock(DWORD& size) {
  for (size = kLargestNamesBlock; size >= kSmallestNamesBlock; size /= 2) {
    if (HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size)) return GlobalBlock(handle);
  }
  throw SetupError(SETUP_ERR_NO_MEMORY);
}

}  // namespace

bool ReadSectionKeys(const SetupSession& session, const char* section, GlobalBlock& names) {
  DWORD size = 0;
  GlobalBlock block = AllocateNamesBlock(size);
  DWORD copied = 0;
  {
    BlockLock<char> text(block);
    if (!text) throw SetupError(SETUP_ERR_NO_MEMORY);
    const char* path = session.setupDatPath ? session.setupDatPath.get() : "";
    copied = GetPrivateProfileStringA(section, nullptr, "!", text.get(), size, path);
    // An absent section gives the default, an empty one nothing at all.
    if (copied == 0 || text.get()[0] == '!') return false;
  }
  // The count covers every name and its zero; keep one more for the final
  // zero. The block is zero-filled, so that zero is already there.
  const std::size_t kept = static_cast<std::size_t>(copied) + 2;
  if (kept < size) block.Resize(kept);
  names = std::move(block);
  return true;
}

bool NextKeyName(const char*& position) {
  position += std::strlen(position) + 1;
  return *position != '\0';
}
