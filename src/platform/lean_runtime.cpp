// Setup.exe's own versions of a few runtime entry points. The runtime's
// versions live in object files
// that are linked whole, each member used or not, and that bring in the
// standard exception classes, a second string implementation and the whole
// thread layer with them: well over a third of the program. Linked into
// Setup.exe only, where the whole program is ours to answer for; the tests
// keep the runtime's own.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <exception>
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

// Setup.exe throws and catches on its one thread, so the state of the
// exception being handled is one record rather than one per thread, which
// would take the thread layer's thread-local keys. Zero is its empty state:
// no exception caught, none uncaught.
namespace {
void* g_exceptionState[4];
}  // namespace

extern "C" void* __cxa_get_globals() noexcept { return g_exceptionState; }
extern "C" void* __cxa_get_globals_fast() noexcept { return g_exceptionState; }

// The memory of a thrown exception: the runtime's own allocator keeps a
// reserve of 64 KB for exceptions thrown when the heap is exhausted, with
// its own lock and start-up code, 2 KB of the program. Setup.exe throws an
// integer code or std::bad_alloc, a few at most at a time: a reserve of
// four does. In front of each object lies the runtime's record of the
// exception, which it finds from the object's address; it is 96 bytes
// with this compiler, and the room left for it is rounded up in case it
// grows. The runtime frees every exception through __cxa_free_exception.
namespace {

constexpr std::size_t kExceptionRecordRoom = 128;
constexpr std::size_t kReservedObjectSize = 16;
constexpr int kReserveCount = 4;
alignas(16) unsigned char g_reserve[kReserveCount][kExceptionRecordRoom + kReservedObjectSize];
bool g_reserveTaken[kReserveCount];

}  // namespace

extern "C" void* __cxa_allocate_exception(std::size_t size) noexcept {
  auto* block = static_cast<unsigned char*>(std::malloc(kExceptionRecordRoom + size));
  for (int slot = 0; !block && size <= kReservedObjectSize && slot < kReserveCount; ++slot) {
    if (g_reserveTaken[slot]) continue;
    g_reserveTaken[slot] = true;
    block = g_reserve[slot];
  }
  if (!block) std::terminate();
  std::memset(block, 0, kExceptionRecordRoom);
  return block + kExceptionRecordRoom;
}

extern "C" void __cxa_free_exception(void* object) noexcept {
  unsigned char* block = static_cast<unsigned char*>(object) - kExceptionRecordRoom;
  for (int slot = 0; slot < kReserveCount; ++slot) {
    if (block != g_reserve[slot]) continue;
    g_reserveTaken[slot] = false;
    return;
  }
  std::free(block);
}

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

// The mutexes of the exception allocator's reserve and of the unwinder's
// table of frames. The thread layer's own would bring its whole mutex and
// clock code; these are a plain lock. Free is 0, or -1 for a mutex that
// was initialised statically; held is 1.
namespace {

bool TakeLock(volatile intptr_t* mutex, intptr_t free) {
  PVOID expected = reinterpret_cast<PVOID>(free);
  return InterlockedCompareExchangePointer(reinterpret_cast<volatile PVOID*>(mutex), reinterpret_cast<PVOID>(1),
                                           expected) == expected;
}

}  // namespace

extern "C" int pthread_mutex_init(volatile intptr_t* mutex, const void*) {
  *mutex = 0;
  return 0;
}

extern "C" int pthread_mutex_destroy(volatile intptr_t*) { return 0; }

extern "C" int pthread_mutex_lock(volatile intptr_t* mutex) {
  while (!TakeLock(mutex, 0) && !TakeLock(mutex, -1)) Sleep(0);
  return 0;
}

extern "C" int pthread_mutex_unlock(volatile intptr_t* mutex) {
  InterlockedExchangePointer(reinterpret_cast<volatile PVOID*>(mutex), nullptr);
  return 0;
}
