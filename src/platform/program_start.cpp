// Setup.exe's entry point, in place of the MinGW runtime's start-up code,
// which prepares what a console program of the C library needs (its
// arguments and environment, the runtime's own thread-local storage, the
// relocation of data imported from DLLs, signal-style handling of faults)
// and with it brought 9 KB that a GUI program linked statically never
// uses. Linked into the GCC build of Setup.exe alone (src/CMakeLists.txt);
// MSVC's runtime starts the program as before.
//
// What of it the program does need is here: the C runtime's view of the
// program as a GUI one, the floating-point unit as the runtime left it,
// the constructors (among them the registration of the unwind tables that
// exceptions are thrown through), WinMain's arguments, and the functions
// registered to run at the end (the destructors of static objects).
#include <windows.h>

extern "C" {
// The C library's notion of the program's kind, which decides whether its
// own fatal messages go to a message box.
void __cdecl __set_app_type(int type);
// The floating-point unit in the state the runtime's start-up left it
// in (its choice of precision), which the background's shading is
// computed in.
void __cdecl _fpreset();
// The lists of static constructors and destructors that the linker
// gathers: -1, the functions, a null.
extern void (*__CTOR_LIST__[])();
extern void (*__DTOR_LIST__[])();
}

namespace {

constexpr int kGuiApplication = 2;

using ExitFunction = void (*)();
// The program registers a few (the destructors of its static objects, the
// unregistration of the unwind tables): a fixed table is enough.
ExitFunction g_atExit[32];
unsigned g_atExitCount = 0;

}  // namespace

extern "C" int __cdecl atexit(void (*function)()) {
  if (g_atExitCount == sizeof g_atExit / sizeof g_atExit[0]) return -1;
  g_atExit[g_atExitCount++] = function;
  return 0;
}

namespace {

void RunDestructors() {
  for (void (**destructor)() = __DTOR_LIST__ + 1; *destructor; ++destructor) (*destructor)();
}

}  // namespace

extern "C" void WinMainCRTStartup() {
  __set_app_type(kGuiApplication);
  _fpreset();
  // The constructors, the last listed first, and the destructors' list for
  // the end, as the compiler's own start-up code runs them.
  unsigned count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  while (count > 0) __CTOR_LIST__[count--]();
  atexit(RunDestructors);

  // What follows the program's name, as every C runtime's start-up passes
  // it: the name ends at the first blank outside quotes, and the blanks
  // after it go.
  const unsigned char* rest = reinterpret_cast<const unsigned char*>(GetCommandLineA());
  bool quoted = false;
  while (*rest > ' ' || (*rest && quoted)) {
    if (*rest == '"') quoted = !quoted;
    ++rest;
  }
  while (*rest && *rest <= ' ') ++rest;
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;

  const int exitCode =
      WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(reinterpret_cast<const char*>(rest)), show);
  while (g_atExitCount > 0) g_atExit[--g_atExitCount]();
  ExitProcess(static_cast<UINT>(exitCode));
}
