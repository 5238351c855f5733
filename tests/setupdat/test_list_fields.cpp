#include <gtest/gtest.h>

#include <string>

#include "setupdat/list_fields.h"

namespace {

const char kAbsent[] = "<absent>";

std::string Field(const char* text, char separator, int number) {
  GlobalBlock block;
  if (!GetField(text, separator, block, number)) return kAbsent;
  BlockLock<const char> lock(block);
  return lock ? lock.get() : "<unlocked>";
}

LONG Number(const char* text, int number, LONG untouched = -99) {
  LONG value = untouched;
  GetNumberField(text, ',', value, number);
  return value;
}

TEST(GetField, SplitsAtTheSeparatorWithEmptyMiddleFieldsPresent) {
  const char* line = "%0\\Editor.exe,500,0,Editor program";
  EXPECT_EQ(Field(line, ',', 0), "%0\\Editor.exe");
  EXPECT_EQ(Field(line, ',', 1), "500");
  EXPECT_EQ(Field(line, ',', 3), "Editor program");
  EXPECT_EQ(Field(line, ',', 4), kAbsent);
  EXPECT_EQ(Field("a,,c", ',', 1), "");
  EXPECT_EQ(Field("a,,c", ',', 2), "c");
  // Other separators are ordinary characters.
  EXPECT_EQ(Field("Name|a,b|c", '|', 1), "a,b");
  EXPECT_EQ(Field("Software\\X:1", ':', 0), "Software\\X");
}

TEST(GetField, FieldsBeginningAtTheEndOfTheTextAreAbsent) {
  EXPECT_EQ(Field("a,100,", ',', 2), kAbsent);  // trailing separator
  EXPECT_EQ(Field("a", ',', 1), kAbsent);       // fewer separators
  EXPECT_EQ(Field("", ',', 0), kAbsent);        // field 0 of an empty text
  EXPECT_EQ(Field(",x", ',', 0), "");           // a leading separator: present, empty
  EXPECT_EQ(Field("Name|", '|', 1), kAbsent);
  EXPECT_EQ(Field("|Data", '|', 0), "");
}

TEST(GetField, RefusesNullTextAndNegativeNumbersLeavingTheBlockAlone) {
  GlobalBlock block = GlobalBlock::FromText("kept");
  EXPECT_FALSE(GetField(nullptr, ',', block, 0));
  EXPECT_FALSE(GetField("a,b", ',', block, -1));
  EXPECT_FALSE(GetField("a,b", ',', block, 2));
  BlockLock<const char> lock(block);
  EXPECT_STREQ(lock.get(), "kept");
}

TEST(GetField, KeepsLongFieldsWhole) {
  const std::string longText(300, 'x');
  EXPECT_EQ(Field((longText + ",1").c_str(), ',', 0), longText);
}

TEST(GetNumberField, ReadsDecimalPrefixesAndLeavesAbsentFieldsAlone) {
  EXPECT_EQ(Number("a,500,1", 1), 500);
  EXPECT_EQ(Number("a, 12,1", 1), 12);   // leading blank
  EXPECT_EQ(Number("a,12kb,1", 1), 12);  // digits up to the first other character
  EXPECT_EQ(Number("a,x,1", 1), 0);
  EXPECT_EQ(Number("a,,1", 1), 0);       // empty middle field
  EXPECT_EQ(Number("a,-7,1", 1), -7);
  EXPECT_EQ(Number("a,+7", 1), 7);
  EXPECT_EQ(Number("a,100,", 2), -99);   // absent: untouched
  EXPECT_EQ(Number("a", 1), -99);
  EXPECT_EQ(Number(nullptr, 0), -99);
}

}  // namespace
