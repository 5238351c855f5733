#pragma once
#include <windows.h>

// A hash of a file or set name that agrees with the way Windows compares
// such names without regard to case: ASCII letters are folded, which is
// all the comparison (lstrcmpiA) needs the hash to agree with it on.
inline DWORD FoldedNameHash(const char* name) {
  DWORD hash = 2166136261u;
  for (const unsigned char* at = reinterpret_cast<const unsigned char*>(name); *at; ++at) {
    const unsigned char c = (*at >= 'a' && *at <= 'z') ? static_cast<unsigned char>(*at - 32) : *at;
    hash = (hash ^ c) * 16777619u;
  }
  return hash;
}
