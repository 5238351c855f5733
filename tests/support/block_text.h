#pragma once
#include <string>

#include "platform/global_memory.h"

namespace testsupport {

// The text a global memory block holds, or "<none>" for no block, so that
// an absent item field and an empty one read differently in assertions.
inline std::string BlockText(const GlobalBlock& block) {
  if (!block) return "<none>";
  BlockLock<const char> text(block);
  return text ? std::string(text.get()) : std::string("<unlocked>");
}

}  // namespace testsupport
