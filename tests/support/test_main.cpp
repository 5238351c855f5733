#include <gtest/gtest.h>
#include <windows.h>

#include "platform/com_ptr.h"
#include "platform/globals.h"

// The code under test loads its texts from g_instance and finds COM
// initialised on its thread, as in the program.
int main(int argc, char** argv) {
  g_instance = GetModuleHandleA(nullptr);
  ComApartment com;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
