// Setup.exe's own versions of a few runtime entry points. The runtime's
// versions live in object files
// that are linked whole, each member used or not, and that bring in the
// standard exception classes, a second string implementation and the whole
// thread layer with them: well over a third of the program. Linked into
// Setup.exe only, where the whole program is ours to answer for; the tests
// keep the runtime's own.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "platform/setup_error.h"

namespace std {

// Running out of room is running out of memory, which every unit of work
// catches and reports as such.
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_length_error(const char*) { throw std::bad_alloc(); }

// The rest are faults of the program itself: reported as a general failure
// by the unit of work that met them, rather than ending the program.
void __throw_logic_error(const char*) { ThrowSetupError(SETUP_ERR_GENERAL); }
void __throw_out_of_range(const char*) { ThrowSetupError(SETUP_ERR_GENERAL); }
void __throw_out_of_range_fmt(const char*, ...) { ThrowSetupError(SETUP_ERR_GENERAL); }
void __throw_invalid_argument(const char*) { ThrowSetupError(SETUP_ERR_GENERAL); }

}  // namespace std

// The allocation functions, without the runtime's loop through a
// new-handler, which Setup.exe never installs: a failed allocation is
// std::bad_alloc, or a null pointer for the nothrow forms, which the
// runtime makes by catching the other's exception.
void* operator new(std::size_t size) {
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }

// What `new T[n]` calls when n elements would not fit in memory: the same
// failure, rather than a class of its own that brings the runtime's other
// casting and typing failures with it.
extern "C" void __cxa_throw_bad_array_new_length() { std::__throw_bad_alloc(); }

// Setup.exe throws and catches on its one thread, so the state of the
// exception being handled is one record rather than one per thread, which
// would take the thread layer's thread-local keys. Zero is its empty state:
// no exception caught, none uncaught.
namespace {
void* g_exceptionState[4];
}  // namespace

extern "C" void* __cxa_get_globals() noexcept { return g_exceptionState; }
extern "C" void* __cxa_get_globals_fast() noexcept { return g_exceptionState; }

// The one-time initialisation that the unwinder asks of the thread layer.
// States: 0 not run, 1 running, 2 done; a second caller waits for the first.
extern "C" int pthread_once(volatile LONG* once, void (*initialise)(void)) {
  if (InterlockedCompareExchange(once, 1, 0) == 0) {
    initialise();
    InterlockedExchange(once, 2);
  } else {
    while (InterlockedCompareExchange(once, 2, 2) != 2) Sleep(0);
  }
  return 0;
}
