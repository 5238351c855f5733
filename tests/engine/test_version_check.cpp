#include <gtest/gtest.h>

#include <string>

#include "engine/version_check.h"
#include "uiauto.h"

namespace {

std::string Fixture(const char* name) { return uiauto::PathBesideThisExecutable(name); }

std::string VersionOf(const char* fixture) {
  GlobalBlock block;
  if (!ReadFileVersion(Fixture(fixture).c_str(), block)) return "<none>";
  BlockLock<char> text(block);
  return text ? std::string(text.get()) : "<unlocked>";
}

int Sign(int order) { return order < 0 ? -1 : (order > 0 ? 1 : 0); }

TEST(CompareVersionText, NumbersCompareByValue) {
  EXPECT_EQ(-1, Sign(CompareVersionText("1.9", "1.10")));
  EXPECT_EQ(1, Sign(CompareVersionText("1.10", "1.9")));
  EXPECT_EQ(-1, Sign(CompareVersionText("4.71.1712.5", "4.72.2106.4")));
  EXPECT_EQ(-1, Sign(CompareVersionText("4.72.999.9", "4.72.2106.4")));
  EXPECT_EQ(-1, Sign(CompareVersionText("1, 0, 0, 9", "1, 0, 0, 12")));
  EXPECT_EQ(1, Sign(CompareVersionText("10.0", "9.99")));
  EXPECT_EQ(-1, Sign(CompareVersionText("1.02", "1.10")));  // 2 < 10, leading zero or not
  EXPECT_EQ(0, Sign(CompareVersionText("1.007", "1.7")));
  // Numbers longer than any integer type still compare.
  EXPECT_EQ(-1, Sign(CompareVersionText("1.99999999999999999999", "1.100000000000000000000")));
}

TEST(CompareVersionText, TextAndLengthOrder) {
  EXPECT_EQ(0, Sign(CompareVersionText("2.0", "2.0")));
  EXPECT_EQ(-1, Sign(CompareVersionText("2.0", "2.0a")));
  EXPECT_EQ(1, Sign(CompareVersionText("2.0a", "2.0")));
  EXPECT_EQ(-1, Sign(CompareVersionText("2.0a", "2.0b")));
  EXPECT_EQ(0, Sign(CompareVersionText("2.0 Beta", "2.0 BETA")));
  EXPECT_EQ(-1, Sign(CompareVersionText("2.0", "2.0.1")));
  EXPECT_EQ(0, Sign(CompareVersionText("", "")));
  EXPECT_EQ(-1, Sign(CompareVersionText("", "1")));
}

TEST(ReadFileVersion, ReadsOnlyTheUsEnglishUnicodeFileVersion) {
  EXPECT_EQ("1.10", VersionOf("ver_1_10.dll"));
  EXPECT_EQ("1, 0, 0, 12", VersionOf("ver_commas.dll"));
  // The fixtures' numeric version and product version are 7.7.7.7: a
  // reader that fell back to either would find a version here.
  EXPECT_EQ("<none>", VersionOf("ver_german.dll"));
  EXPECT_EQ("<none>", VersionOf("ver_latin1.dll"));
  EXPECT_EQ("<none>", VersionOf("ver_none.dll"));
  EXPECT_EQ("<none>", VersionOf("ver_empty.dll"));
  EXPECT_EQ("<none>", VersionOf("no_such_file.dll"));
}

TEST(ReadFileVersion, BlockHoldsTextAndTerminator) {
  GlobalBlock block;
  ASSERT_TRUE(ReadFileVersion(Fixture("ver_4_71.dll").c_str(), block));
  EXPECT_EQ(sizeof("4.71.1712.5"), GlobalSize(block.get()));
}

TEST(IsOlderVersion, ComparesTheFilesVersions) {
  auto older = [](const char* newFile, const char* existingFile) {
    return IsOlderVersion(Fixture(newFile).c_str(), Fixture(existingFile).c_str());
  };
  EXPECT_TRUE(older("ver_4_71.dll", "ver_4_72.dll"));
  EXPECT_FALSE(older("ver_4_72.dll", "ver_4_71.dll"));
  EXPECT_TRUE(older("ver_1_9.dll", "ver_1_10.dll"));
  EXPECT_FALSE(older("ver_1_10.dll", "ver_1_9.dll"));
  EXPECT_FALSE(older("ver_2_0.dll", "ver_2_0_copy.dll"));
  EXPECT_TRUE(older("ver_2_0.dll", "ver_2_0a.dll"));
  EXPECT_FALSE(older("ver_2_0a.dll", "ver_2_0.dll"));
}

TEST(IsOlderVersion, MissingVersionOnEitherSideIsNeverOlder) {
  const char* withoutVersion[] = {"ver_none.dll", "ver_german.dll", "ver_latin1.dll", "ver_empty.dll",
                                  "no_such_file.dll"};
  for (const char* other : withoutVersion) {
    SCOPED_TRACE(other);
    // 1.9 is older than the 7.7.7.7 the fixtures carry elsewhere.
    EXPECT_FALSE(IsOlderVersion(Fixture("ver_1_9.dll").c_str(), Fixture(other).c_str()));
    EXPECT_FALSE(IsOlderVersion(Fixture(other).c_str(), Fixture("ver_1_9.dll").c_str()));
  }
}

}  // namespace
