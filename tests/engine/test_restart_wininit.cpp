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
  EXPECT_EQ("[rename]\r\nX=Y\r\nA=B", Append("A", "B"));
  EXPECT_EQ("[rename]\r\nX=Y\r\nA=B\r\nC=D", Append("C", "D"));
}

TEST_F(WininitFile, LineJoinsARenameSectionThatIsNotTheLast) {
  // Only the first section of a name is read: a second [rename] further
  // down would never be worked off.
  WriteFile(ini, "[rename]\r\nX=Y\r\n[CombineVxDs]\r\nvxd=1");
  EXPECT_EQ("[rename]\r\nX=Y\r\nA=B\r\n[CombineVxDs]\r\nvxd=1", Append("A", "B"));
}

TEST_F(WininitFile, FileWithoutRenameSectionGetsOneAtItsEnd) {
  WriteFile(ini, "[CombineVxDs]\r\nvxd=1");
  EXPECT_EQ("[CombineVxDs]\r\nvxd=1\r\n[rename]\r\nA=B", Append("A", "B"));
}

TEST_F(WininitFile, BracketsInsideAValueAreNoSection) {
  WriteFile(ini, "  [rename]\r\nX=C:\\[odd]\\Y\r\n");
  EXPECT_EQ("  [rename]\r\nX=C:\\[odd]\\Y\r\nA=B\r\n", Append("A", "B"));
}

// Whatever another program left in WININIT.INI, taking our lines back, in
// either order, gives its file back byte for byte; a file that was not
// there goes again.
TEST_F(WininitFile, TakingOurLinesBackLeavesOtherProgramsFilesAsTheyWere) {
  const char* const kForeign[] = {
      nullptr,  // no file
      "",
      "[rename]\r\nX=Y\r\n",
      "[Rename]\r\nX=Y",
      "[rename]\nX=Y\n",
      "[CombineVxDs]\r\nvxd=1",
      "[CombineVxDs]\r\nvxd=1\r\n\r\n",
      "[rename]\r\nX=Y\r\n[CombineVxDs]\r\nvxd=1",
      // Shift-JIS and Latin-1 bytes, and a line that looks like ours.
      "[rename]\r\nNUL=C:\\\x93\xfa\x96\x7b\\OLD.TXT\r\nC:\\CAF\xc9\\A.DLL=C:\\CAF\xc9\\B.TMP\r\n",
      "; comment\r\n[rename]\r\nA=B\r\n",
  };
  for (const char* foreign : kForeign) {
    for (bool firstFirst : {true, false}) {
      DeleteFileA(ini.c_str());
      if (foreign) WriteFile(ini, foreign);
      const std::string label = std::string(foreign ? foreign : "(none)") + (firstFirst ? ", first first" : "");
      ASSERT_TRUE(AddWininitRename(ini.c_str(), "C:\\APP\\FILE.DLL", "C:\\APP\\QWI1.TMP")) << label;
      ASSERT_TRUE(AddWininitRename(ini.c_str(), "NUL", "C:\\APP\\OLD.HLP")) << label;
      if (foreign) {
        EXPECT_EQ(0u, ReadFile(ini).find(std::string(foreign).substr(0, 8))) << label;
      }
      if (firstFirst) {
        EXPECT_TRUE(RemoveWininitRename(ini.c_str(), "c:\\app\\file.dll", "C:\\APP\\QWI1.TMP")) << label;
      }
      EXPECT_TRUE(RemoveWininitRename(ini.c_str(), "nul", "C:\\APP\\OLD.HLP")) << label;
      if (!firstFirst) {
        EXPECT_TRUE(RemoveWininitRename(ini.c_str(), "C:\\APP\\FILE.DLL", "C:\\APP\\QWI1.TMP")) << label;
      }
      if (foreign) {
        EXPECT_EQ(foreign, ReadFile(ini)) << label;
      } else {
        EXPECT_FALSE(testsupport::FileExists(ini)) << label;
      }
      EXPECT_FALSE(RemoveWininitRename(ini.c_str(), "NUL", "C:\\APP\\OLD.HLP")) << label;
    }
  }
}

TEST_F(WininitFile, UnwritablePlaceFails) {
  EXPECT_FALSE(AddWininitRename(folder.Join("missing\\WININIT.INI").c_str(), "A", "B"));
}

}  // namespace
