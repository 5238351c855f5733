#pragma once
#include <cstddef>

// The data of a registry line may name its type in front of it:
//
//   dword:1234abcd    a REG_DWORD, one to eight hex digits
//   expand:%%S\x      a REG_EXPAND_SZ, the rest of the data
//   \dword:...        a plain string that happens to begin with a type word
//
// Anything else is a plain string, as lines have always been. The words
// compare without regard to case. Nothing here uses the platform: the
// installer and the authoring kit read a value the same way.
enum class ValueKind { kString, kDword, kExpand, kBadDword };

struct TypedValue {
  ValueKind kind = ValueKind::kString;
  std::size_t dataStart = 0;  // where the data proper begins in the text
  unsigned long number = 0;   // the number of a kDword
};

TypedValue ReadTypedValue(const char* data);
