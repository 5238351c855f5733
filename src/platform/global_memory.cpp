#include "platform/global_memory.h"

#include <cstring>

#include "platform/setup_error.h"

void* LockBlock(HGLOBAL handle) { return handle ? GlobalLock(handle) : nullptr; }

void UnlockBlock(HGLOBAL handle, const void* data) {
  if (data) GlobalUnlock(handle);
}

GlobalBlock GlobalBlock::Allocate(std::size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!h) ThrowSetupError(SETUP_ERR_NO_MEMORY);
  return GlobalBlock(h);
}

GlobalBlock GlobalBlock::FromText(const char* text) {
  const std::size_t length = std::strlen(text);
  GlobalBlock block = Allocate(length + 1);
  BlockLock<char> lock(block);
  if (!lock) ThrowSetupError(SETUP_ERR_NO_MEMORY);
  std::memcpy(lock.get(), text, length + 1);
  return block;
}

void GlobalBlock::Resize(std::size_t size) {
  HGLOBAL grown = GlobalReAlloc(handle_, size, GMEM_MOVEABLE | GMEM_ZEROINIT);
  if (!grown) ThrowSetupError(SETUP_ERR_NO_MEMORY);
  handle_ = grown;
}
