// The line splitter and field splitter the kit shares with Setup.exe, run
// natively as well: the platform's own reader is held against them under
// Wine (tests/setupdat), these cases pin what the kit adds, line numbers
// and a case fold of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setupdat/field_split.h"
#include "setupdat/section_split.h"
#include "setupdat/typed_value.h"

namespace {

TEST(SharedReader, LinesKeepTheirNumbersWhateverTheLineEnds) {
  // CR LF, lone LF, lone CR and blank lines all count as the file shows them.
  const std::string text =
      "[Setup]\r\nTitle=A\r\n\r\n[files]\nONE=%0\\one,1\r\r\n  two = \"%0\\two,2\" \rTHREE=x\n;c=d\nnone\none=again\n";
  std::vector<SectionLine> lines;
  ASSERT_TRUE(SplitSection(text, " FILES ", lines));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].key, "ONE");
  EXPECT_EQ(lines[0].number, 5);
  EXPECT_EQ(lines[1].key, "two");
  EXPECT_EQ(lines[1].value, "%0\\two,2");
  EXPECT_EQ(lines[1].number, 7);
  EXPECT_EQ(lines[2].number, 8);
  // A key standing twice reads as its first line, on its own line number.
  EXPECT_EQ(lines[3].key, "one");
  EXPECT_EQ(lines[3].value, "%0\\one,1");
  EXPECT_EQ(lines[3].number, 11);
  EXPECT_FALSE(SplitSection(text, "Shortcuts", lines));
}

TEST(SharedReader, EveryRepeatOfManyKeysReadsAsItsFirstLine) {
  std::string text = "[s]\n";
  for (int i = 0; i < 300; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  for (int i = 299; i >= 0; --i) text += "K" + std::to_string(i) + "=again\n";
  std::vector<SectionLine> lines;
  ASSERT_TRUE(SplitSection(text, "s", lines));
  ASSERT_EQ(lines.size(), 600u);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(lines[599 - i].value, std::to_string(i));
}

TEST(SharedReader, SectionNamesFoldAsTheWesternCodePageDoes) {
  EXPECT_EQ(FoldCase("abc\xE9\xFE\xF7\xFF\x9A xyz"), "ABC\xC9\xDE\xF7\x9F\x8A XYZ");
  std::vector<SectionLine> lines;
  ASSERT_TRUE(SplitSection("[Fich\xC9rs]\nA=1\n[fich\xE9rs]\nB=2\n", "FICH\xE9RS", lines));
  ASSERT_EQ(lines.size(), 1u);  // the first section of a name only
  EXPECT_EQ(lines[0].key, "A");
}

TEST(SharedReader, FieldsSplitAndNumbersReadAsSetupExeReadsThem) {
  std::string field = "untouched";
  EXPECT_TRUE(FieldText("%0\\a.exe,,0,Text", ',', 1, field));
  EXPECT_EQ(field, "");
  EXPECT_TRUE(FieldText("%0\\a.exe,,0,Text", ',', 3, field));
  EXPECT_EQ(field, "Text");
  EXPECT_FALSE(FieldText("a,b,", ',', 2, field));
  EXPECT_EQ(field, "Text");
  long number = -1;
  EXPECT_TRUE(FieldNumber("a, +42x,0", ',', 1, number));
  EXPECT_EQ(number, 42);
  EXPECT_TRUE(FieldNumber("a,99999999999", ',', 1, number));
  EXPECT_EQ(number, 2147483647L);
  EXPECT_TRUE(FieldNumber("a,-99999999999", ',', 1, number));
  EXPECT_EQ(number, -2147483647L - 1);
  EXPECT_FALSE(FieldNumber("a", ',', 1, number));
}

}  // namespace

// The type word of a registry line's data, read alike by Setup.exe and check.
TEST(SharedReader, TypedValuesAreNumbersExpandableTextsOrTextAsWritten) {
  struct Case {
    const char* data;
    ValueKind kind;
    std::size_t dataStart;
    unsigned long number;
  };
  const Case cases[] = {
      {"dword:1234abcd", ValueKind::kDword, 6, 0x1234abcdUL},
      {"DWORD:FFFFFFFF", ValueKind::kDword, 6, 0xFFFFFFFFUL},
      {"Dword:0", ValueKind::kDword, 6, 0},
      {"dword:00000000a", ValueKind::kBadDword, 6, 0},  // nine digits
      {"dword:12g4", ValueKind::kBadDword, 6, 0},
      {"dword: 12", ValueKind::kBadDword, 6, 0},
      {"dword:", ValueKind::kBadDword, 6, 0},
      {"expand:%SystemRoot%\\x", ValueKind::kExpand, 7, 0},
      {"EXPAND:", ValueKind::kExpand, 7, 0},
      {"\\dword:not a number", ValueKind::kString, 1, 0},
      {"\\Expand:x", ValueKind::kString, 1, 0},
      {"\\\\server\\share", ValueKind::kString, 0, 0},
      {"dwordless", ValueKind::kString, 0, 0},
      {"expand", ValueKind::kString, 0, 0},
      {"", ValueKind::kString, 0, 0},
  };
  for (const Case& c : cases) {
    const TypedValue read = ReadTypedValue(c.data);
    EXPECT_EQ(read.kind, c.kind) << c.data;
    EXPECT_EQ(read.dataStart, c.dataStart) << c.data;
    if (c.kind == ValueKind::kDword) {
      EXPECT_EQ(read.number, c.number) << c.data;
    }
  }
  EXPECT_EQ(ReadTypedValue(nullptr).kind, ValueKind::kString);
}
