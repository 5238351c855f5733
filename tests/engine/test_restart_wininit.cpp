#include <gtest/gtest.h>

#include <string>

#include "engine/restart_wininit.h"
#include "support/temp_folder.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

class WininitFile : public ::testing::Test {
 protected:
  std::string Append(const char* target, const char* source) {
    EXPECT_TRUE(AddWininitRename(ini.c_str(), target, source));
    return ReadFile(ini);
  }

  TempFolder folder;
  std::string ini = folder.Join("WININIT.INI");
};

TEST_F(WininitFile, NewFileStartsWithTheRenameSectionAndLaterLinesAppend) {
  EXPECT_EQ("[rename]\r\nC:\\APP\\FILE.DLL=C:\\APP\\~ST1.TMP\r\n", Append("C:\\APP\\FILE.DLL", "C:\\APP\\~ST1.TMP"));
  EXPECT_EQ("[rename]\r\nC:\\APP\\FILE.DLL=C:\\APP\\~ST1.TMP\r\nNUL=C:\\APP\\OLD.DLL\r\n",
            Append("NUL", "C:\\APP\\OLD.DLL"));
}

TEST_F(WininitFile, EmptyExistingFileGetsTheSection) {
  WriteFile(ini, "");
  EXPECT_EQ("[rename]\r\nA=B\r\n", Append("A", "B"));
}

TEST_F(WininitFile, ExistingRenameSectionIsAppendedTo) {
  WriteFile(ini, "[Rename]\r\nX=Y\r\n");
  EXPECT_EQ("[Rename]\r\nX=Y\r\nA=B\r\n", Append("A", "B"));
}

TEST_F(WininitFile, LastLineWithoutLineBreakKeepsItsOwnLine) {
  WriteFile(ini, "[rename]\r\nX=Y");
  EXPECT_EQ("[rename]\r\nX=Y\r\nA=B\r\n", Append("A", "B"));
}

TEST_F(WininitFile, LineJoinsARenameSectionThatIsNotTheLast) {
  // Only the first section of a name is read: a second [rename] further
  // down would never be worked off.
  WriteFile(ini, "[rename]\r\nX=Y\r\n[CombineVxDs]\r\nvxd=1");
  EXPECT_EQ("[rename]\r\nX=Y\r\nA=B\r\n[CombineVxDs]\r\nvxd=1", Append("A", "B"));
}

TEST_F(WininitFile, FileWithoutRenameSectionGetsOneAtItsEnd) {
  WriteFile(ini, "[CombineVxDs]\r\nvxd=1");
  EXPECT_EQ("[CombineVxDs]\r\nvxd=1\r\n[rename]\r\nA=B\r\n", Append("A", "B"));
}

TEST_F(WininitFile, BracketsInsideAValueAreNoSection) {
  WriteFile(ini, "  [rename]\r\nX=C:\\[odd]\\Y\r\n");
  EXPECT_EQ("  [rename]\r\nX=C:\\[odd]\\Y\r\nA=B\r\n", Append("A", "B"));
}

TEST_F(WininitFile, UnwritablePlaceFails) {
  EXPECT_FALSE(AddWininitRename(folder.Join("missing\\WININIT.INI").c_str(), "A", "B"));
}

}  // namespace
