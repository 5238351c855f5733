#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/setup_error.h"
#include "variables/variable_table.h"

namespace {

std::string Expand(const VariableTable& table, const char* text) {
  GlobalBlock result;
  EXPECT_TRUE(table.ExpandText(text, result));
  BlockLock<const char> lock(result);
  return lock.get() ? std::string(lock.get()) : std::string("<unlocked>");
}

std::string ValueOf(const VariableTable& table, char key) {
  const Variable* v = table.FindKey(static_cast<unsigned char>(key));
  if (!v) return "<none>";
  char buffer[600] = {};
  return v->GetValue(buffer, 599) ? buffer : "<no value>";
}

TEST(ExpandText, ReplacesKnownKeysAndKeepsEverythingElse) {
  VariableTable table;
  table.Set('I', "C:\\Set");
  table.Set('T', "Demo");
  EXPECT_EQ(Expand(table, "%I\\Setup.dat"), "C:\\Set\\Setup.dat");
  EXPECT_EQ(Expand(table, ""), "");
  EXPECT_EQ(Expand(table, "%%0"), "%0");          // the escape is taken first
  EXPECT_EQ(Expand(table, "%Z and %t"), "%Z and %t");  // unknown keys, case matters
  EXPECT_EQ(Expand(table, "100%"), "100%");         // a lone trailing percent stays
  EXPECT_EQ(Expand(table, "%T%T%%%I"), "DemoDemo%C:\\Set");
}

TEST(ExpandText, InsertedValuesAreNotScannedAgain) {
  VariableTable table;
  table.Set('T', "Demo");
  table.Set('X', "has %T and %%");
  EXPECT_EQ(Expand(table, "[%X]"), "[has %T and %%]");
}

TEST(ExpandText, EmptyAndValuelessVariablesRemoveThePair) {
  VariableTable table;
  table.Set('E', "");
  table.Add(new Variable('N'));  // a key without a value
  EXPECT_EQ(Expand(table, "a%Eb%Nc"), "abc");
}

TEST(ExpandText, GrowsForLongValuesAndShrinksForShortOnes) {
  VariableTable table;
  const std::string longValue(5000, 'x');
  table.Set('L', longValue.c_str());
  table.Set('S', "y");
  EXPECT_EQ(Expand(table, "%L-%L"), longValue + "-" + longValue);
  EXPECT_EQ(Expand(table, "%S%S%S"), "yyy");
}

TEST(ExpandText, NullTextGivesFalseAndNoBlock) {
  VariableTable table;
  GlobalBlock result = GlobalBlock::Allocate(4);
  EXPECT_FALSE(table.ExpandText(nullptr, result));
  EXPECT_FALSE(result);
}

TEST(VariableTable, SettingAKeyTwiceKeepsItsPlaceWithTheNewValue) {
  VariableTable table;
  table.Set('0', "first");
  table.Set('A', "app");
  table.Set('0', "second");
  ASSERT_NE(table.first(), nullptr);
  EXPECT_EQ(table.first()->key(), '0');
  EXPECT_EQ(table.first()->next, table.last());
  EXPECT_EQ(table.last()->key(), 'A');
  EXPECT_EQ(table.last()->prev, table.first());
  EXPECT_EQ(ValueOf(table, '0'), "second");
}

TEST(VariableTable, AddReturnsTheExistingVariableForAKnownKey) {
  VariableTable table;
  Variable* first = table.Add(new Variable('K'));
  Variable* again = table.Add(new Variable('K'));
  EXPECT_EQ(first, again);
  EXPECT_EQ(table.first(), table.last());
  Variable probe('K');
  EXPECT_EQ(table.Find(probe), first);
  Variable other('k');
  EXPECT_EQ(table.Find(other), nullptr);
}

TEST(VariableTable, ClearEmptiesTheTable) {
  VariableTable table;
  table.Set('a', "1");
  table.Set('b', "2");
  table.Clear();
  EXPECT_EQ(table.first(), nullptr);
  EXPECT_EQ(table.last(), nullptr);
  EXPECT_EQ(table.FindKey('a'), nullptr);
}

TEST(Variable, GetValueCopiesWholeUpToTheLimitAndCutsBeyondIt) {
  Variable v('P');
  char buffer[300];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_FALSE(v.GetValue(buffer, 260));  // no value yet: untouched
  EXPECT_EQ(buffer[0], '#');
  std::size_t length = 99;
  EXPECT_FALSE(v.GetLength(length));
  EXPECT_EQ(length, 99u);

  const std::string exact(260, 'a');
  v.SetValue(exact.c_str());
  ASSERT_TRUE(v.GetValue(buffer, 260));
  EXPECT_EQ(std::string(buffer), exact);  // 261 bytes with the terminator

  const std::string over(261, 'b');
  v.SetValue(over.c_str());
  ASSERT_TRUE(v.GetValue(buffer, 260));
  EXPECT_EQ(std::string(buffer), std::string(259, 'b'));
  ASSERT_TRUE(v.GetLength(length));
  EXPECT_EQ(length, 261u);
}

}  // namespace
