#include "variables/variable.h"

#include <cstring>

#include "platform/setup_error.h"

bool Variable::SetValue(const char* text) {
  value_ = GlobalBlock::FromText(text);
  return true;
}

bool Variable::GetValue(char* buffer, std::size_t limit) const {
  if (!value_) return false;
  BlockLock<const char> lock(value_);
  if (!lock) return false;
  const std::size_t length = std::strlen(lock.get());
  if (length <= limit) {
    std::memcpy(buffer, lock.get(), length + 1);
  } else {
    const std::size_t kept = limit > 0 ? limit - 1 : 0;
    std::memcpy(buffer, lock.get(), kept);
    buffer[kept] = '\0';
  }
  return true;
}

bool Variable::GetLength(std::size_t& length) const {
  if (!value_) return false;
  BlockLock<const char> lock(value_);
  if (!lock) return false;
  length = std::strlen(lock.get());
  return true;
}
