#pragma once
#include <windows.h>

#include <cstddef>

// Owns one movable global memory block. Texts of variable length live in
// such blocks and are locked only while they are read or written.
class GlobalBlock {
public:
  GlobalBlock() = default;
  explicit GlobalBlock(HGLOBAL handle) : handle_(handle) {}
  ~GlobalBlock() { reset(); }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  GlobalBlock(GlobalBlock&& other) noexcept : handle_(other.release()) {}
  GlobalBlock& operator=(GlobalBlock&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  // A movable, zero-filled block of `size` bytes; throws SETUP_ERR_NO_MEMORY.
  static GlobalBlock Allocate(std::size_t size);
  // A block holding `text` and its terminator; throws SETUP_ERR_NO_MEMORY.
  static GlobalBlock FromText(const char* text);

  // Grows or shrinks the block, new bytes zero-filled; throws
  // SETUP_ERR_NO_MEMORY and keeps the old block when that fails.
  void Resize(std::size_t size);

  HGLOBAL get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  HGLOBAL release() {
    HGLOBAL h = handle_;
    handle_ = nullptr;
    return h;
  }
  void reset(HGLOBAL handle = nullptr) {
    if (handle_ && handle_ != handle) GlobalFree(handle_);
    handle_ = handle;
  }

private:
  HGLOBAL handle_ = nullptr;
};

// The lock and unlock of BlockLock, written once rather than at each of
// the hundred places that lock a block.
void* LockBlock(HGLOBAL handle);
void UnlockBlock(HGLOBAL handle, const void* data);

// Locks a block for the lifetime of the object. A block that cannot be
// locked (a discarded or bad handle) gives a null pointer, never a throw.
template <typename T = char>
class BlockLock {
public:
  explicit BlockLock(HGLOBAL handle) : handle_(handle), data_(static_cast<T*>(LockBlock(handle))) {}
  explicit BlockLock(const GlobalBlock& block) : BlockLock(block.get()) {}
  ~BlockLock() { UnlockBlock(handle_, data_); }
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;

  T* get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }

private:
  HGLOBAL handle_;
  T* data_;
};
