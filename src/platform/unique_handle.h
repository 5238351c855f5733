#pragma once
#include <windows.h>

// A move-only owner of one platform handle. Traits give the type, the value
// that means "none" and how the handle is given back to the system.
template <typename Traits>
class UniqueHandle {
public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Traits::None(); }
  explicit operator bool() const { return valid(); }
  Handle release() {
    Handle h = handle_;
    handle_ = Traits::None();
    return h;
  }
  void reset(Handle handle = Traits::None()) {
    if (valid() && handle_ != handle) Traits::Close(handle_);
    handle_ = handle;
  }

private:
  Handle handle_ = Traits::None();
};

struct KernelHandleTraits {  // processes, threads, events
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileA: failure is INVALID_HANDLE_VALUE
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};
struct LibraryTraits {
  using Handle = HMODULE;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};
struct WindowTraits {  // modeless windows we create and must destroy
  using Handle = HWND;
  static Handle None() { return nullptr; }
  static void Close(Handle h) {
    if (IsWindow(h)) DestroyWindow(h);
  }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using LibraryHandle = UniqueHandle<LibraryTraits>;
using WindowHandle = UniqueHandle<WindowTraits>;
