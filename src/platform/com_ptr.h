#pragma once
#include <windows.h>
#include <objbase.h>

#include "platform/shell_calls.h"

// Owns one reference to a COM interface.
template <typename T>
class ComPtr {
public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      ptr_ = other.ptr_;
      other.ptr_ = nullptr;
    }
    return *this;
  }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // For functions that hand out a new reference; drops the one held.
  T** put() {
    reset();
    return &ptr_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (ptr_) {
      ptr_->Release();
      ptr_ = nullptr;
    }
  }

private:
  T* ptr_ = nullptr;
};

// Balances a successful CoInitialize on the same thread.
class ComApartment {
public:
  ComApartment() : initialised_(SUCCEEDED(systemdll::CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (initialised_) systemdll::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

private:
  bool initialised_;
};
