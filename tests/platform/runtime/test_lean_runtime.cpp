// The runtime entry points that Setup.exe has of its own for its exceptions
// (src/platform/lean_exceptions.cpp: their memory, the lookup of unwind
// entries), linked into this program too: every exception it throws, the
// test framework's included, goes through them.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <new>

#include "platform/setup_error.h"

extern "C" const void* _Unwind_Find_FDE(void* pc, void* bases);

namespace {

int g_cleanedUp = 0;

struct Cleanup {
  ~Cleanup() { ++g_cleanedUp; }
};

// Throws from `depth` frames down, each with an object to clean up.
int Descend(int depth) {
  Cleanup cleanup;
  if (depth == 0) ThrowSetupError(SETUP_ERR_REG_SET);
  return depth < 0 ? 0 : Descend(depth - 1) + 1;
}

TEST(LeanRuntime, ExceptionsUnwindThroughEveryFrameToTheirHandler) {
  g_cleanedUp = 0;
  SetupError caught = SETUP_ERR_UNDEFINED;
  try {
    Descend(40);
  } catch (SetupError code) {
    caught = code;
  }
  EXPECT_EQ(caught, SETUP_ERR_REG_SET);
  EXPECT_EQ(g_cleanedUp, 41);

  // A failed allocation is std::bad_alloc, whatever its size asked.
  bool outOfMemory = false;
  volatile std::size_t hugeSize = static_cast<std::size_t>(-1) / 2 - 16;
  try {
    std::unique_ptr<char[]> huge(new char[hugeSize]);
    huge[0] = 1;
  } catch (std::bad_alloc&) {
    outOfMemory = true;
  }
  EXPECT_TRUE(outOfMemory);

  // One thrown while another is handled: both are alive at once.
  caught = SETUP_ERR_UNDEFINED;
  try {
    try {
      Descend(3);
    } catch (SetupError) {
      ThrowSetupError(SETUP_ERR_NO_MEMORY);
    }
  } catch (SetupError code) {
    caught = code;
  }
  EXPECT_EQ(caught, SETUP_ERR_NO_MEMORY);
}

TEST(LeanRuntime, TheUnwindEntryFoundForACodeAddressIsItsFunctions) {
  struct {
    void* text;
    void* data;
    void* function;
  } bases = {};
  auto* descend = reinterpret_cast<unsigned char*>(&Descend);
  EXPECT_NE(_Unwind_Find_FDE(descend + 1, &bases), nullptr);
  EXPECT_EQ(bases.function, descend);
  static int notCode = 0;
  EXPECT_EQ(_Unwind_Find_FDE(&notCode, &bases), nullptr);
}

}  // namespace
