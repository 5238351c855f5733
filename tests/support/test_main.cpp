#include <gtest/gtest.h>
#include <windows.h>

#include "platform/globals.h"

// The code under test loads its texts from g_instance, as the program does.
int main(int argc, char** argv) {
  g_instance = GetModuleHandleA(nullptr);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
