// Forced ahead of every file of Setup.exe and its libraries by the GCC
// build (src/CMakeLists.txt). The runtime declares the string class as
// instantiated in its own library, so that every use refers to that
// instantiation, which is linked whole; Setup.exe instantiated it whole
// itself instead, and the PE linker keeps every member that has unwind
// information, used or not. With this setting, the one the runtime itself
// offers for checked builds, each file instantiates the members it uses,
// and the linker keeps one copy of each.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
