#pragma once
#include <windows.h>

#include "platform/unique_handle.h"

struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
struct MemoryDcTraits {  // from CreateCompatibleDC
  using Handle = HDC;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};

struct IconTraits {  // from LoadImageA without LR_SHARED
  using Handle = HICON;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { DestroyIcon(h); }
};

using GdiObject = UniqueHandle<GdiObjectTraits>;
using IconHandle = UniqueHandle<IconTraits>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;

// Selects an object into a device context and puts the previous one back,
// so that an object is never deleted while still selected.
class SelectObjectGuard {
public:
  SelectObjectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectObjectGuard() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectObjectGuard(const SelectObjectGuard&) = delete;
  SelectObjectGuard& operator=(const SelectObjectGuard&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};
