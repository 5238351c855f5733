#pragma once
// The example product's shared library: a piece of code that more than one
// of our programs could use, installed once into the system folder and
// counted by the installer as a shared DLL.

#ifdef EXSHARED_BUILD
#define EXSHARED_API __declspec(dllexport)
#else
#define EXSHARED_API __declspec(dllimport)
#endif

// Plain C linkage and the default calling convention, so that the exported
// name is undecorated with every compiler.
extern "C" {

// Writes the text of the editor's About box into `buffer` (always
// terminated when `size` is positive): the product line and the version
// and location of the library that was actually loaded, which shows at a
// glance which copy of a shared DLL a machine uses. Returns the number of
// characters written, without the terminating zero.
EXSHARED_API int ExSharedAboutText(char* buffer, int size);

}  // extern "C"
