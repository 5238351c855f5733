#pragma once
#include <cstddef>

#include "platform/global_memory.h"

// One installation variable: a one-character key and a text held in a
// movable global memory block exactly one byte longer than the text.
class Variable {
public:
  explicit Variable(unsigned char key) : key_(key) {}
  virtual ~Variable() = default;
  Variable(const Variable&) = delete;
  Variable& operator=(const Variable&) = delete;

  virtual bool IsSameKey(const Variable& other) const { return key_ == other.key_; }

  unsigned char key() const { return key_; }

  // Replaces the value; throws SETUP_ERR_NO_MEMORY and keeps the old one.
  bool SetValue(const char* text);
  // Copies the value into `buffer` (which must hold limit + 1 bytes): whole
  // when it has at most `limit` characters, else its first limit - 1. False,
  // buffer untouched, when there is no value.
  bool GetValue(char* buffer, std::size_t limit) const;
  // The value's length without terminator; false when there is no value.
  bool GetLength(std::size_t& length) const;

  Variable* next = nullptr;
  Variable* prev = nullptr;

private:
  unsigned char key_;
  GlobalBlock value_;
};
