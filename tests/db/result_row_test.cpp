#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/min_db.h"

namespace velmorra {
namespace {

TResultCell TextCell(std::string text) {
  TResultCell cell;
  cell.AsString = std::move(text);
  cell.IsNull = false;
  return cell;
}

TEST(ResultCellTest, AsIntegerReadsOnlyWholeIntegers) {
  const std::vector<std::pair<std::string, int32_t>> cases = {
      {"3", 3},
      {"-17", -17},
      {"+8", 8},
      {"007", 7},
      {"   42", 42},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", 0},
      {"-2147483649", 0},
      {"99999999999999999999", 0},
      {"$1F", 31},
      {"$1f", 31},
      {"x10", 16},
      {"X10", 16},
      {"0x10", 16},
      {"0XfF", 255},
      {"$FFFFFFFF", -1},
      {"$80000000", -2147483647 - 1},
      {"$000000001", 1},
      {"$100000000", 0},
      {"-$10", -16},
      {"$", 0},
      {"0x", 0},
      {"$G", 0},
      {"1.0", 0},
      {"42 ", 0},
      {"\t42", 0},
      {"4 2", 0},
      {"-", 0},
      {"+", 0},
      {"", 0},
      {"abc", 0},
      {"1e3", 0},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(TextCell(text).AsInteger(), expected) << '"' << text << '"';
  }
}

TEST(ResultCellTest, AsWideStringDecodesUtf8OrGivesNothing) {
  EXPECT_EQ(TextCell("Grüße").AsWideString(), u"Grüße");
  EXPECT_EQ(TextCell("\xF0\x9F\x98\x80").AsWideString(), std::u16string({0xD83D, 0xDE00}));
  EXPECT_EQ(TextCell("ok \xC3(").AsWideString(), u"");
  EXPECT_EQ(TextCell("\xC0\xAF").AsWideString(), u"");
  TResultCell null_cell = TextCell("ignored");
  null_cell.IsNull = true;
  EXPECT_EQ(null_cell.AsWideString(), u"");
}

class ResultRowTest : public ::testing::Test {
 protected:
  ResultRowTest() : row_(&fields_) {
    row_.Add("+358401234567", false);
    row_.Add("", true);
    row_.Add("first", false);
    row_.Add("second", false);
  }
  std::vector<std::string> fields_ = {"Sender", "Status", "Text", "TEXT"};
  TResultRow row_;
};

TEST_F(ResultRowTest, CellsAnswersValuesAndNullOutOfRange) {
  EXPECT_EQ(row_.ColCount(), 4);
  EXPECT_EQ(row_.Strings(3), "second");
  EXPECT_EQ(row_.Strings(4), "");
  EXPECT_EQ(row_.Cells(0).AsString, "+358401234567");
  EXPECT_FALSE(row_.Cells(0).IsNull);
  EXPECT_TRUE(row_.Cells(1).IsNull);
  for (int index : {-1, 4, 1000}) {
    const TResultCell& cell = row_.Cells(index);
    EXPECT_TRUE(cell.IsNull);
    EXPECT_EQ(cell.AsString, "");
    EXPECT_EQ(cell.AsInteger(), 0);
  }
}

TEST_F(ResultRowTest, CellByNameIgnoresCaseAndTheFirstNameWins) {
  EXPECT_EQ(row_.CellByName("sender").AsString, "+358401234567");
  EXPECT_EQ(row_.CellByName("SENDER").AsString, "+358401234567");
  EXPECT_EQ(row_.CellByName("text").AsString, "first");
  EXPECT_EQ(row_.CellByName("TEXT").AsString, "first");
  EXPECT_TRUE(row_.CellByName("Sender ").IsNull);
  EXPECT_TRUE(row_.CellByName("Body").IsNull);
  EXPECT_EQ(row_.CellByName("Body").AsString, "");
}

TEST_F(ResultRowTest, CellByNameFoldsNonAsciiLetters) {
  fields_[3] = "ÄNDERUNG";
  EXPECT_EQ(row_.CellByName("änderung").AsString, "second");
}

TEST_F(ResultRowTest, EveryLookupRefillsTheSameCell) {
  TResultCell& first = row_.Cells(0);
  TResultCell& second = row_.CellByName("Text");
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(first.AsString, "first");
}

TEST_F(ResultRowTest, ClearDropsValuesAndFlagsButKeepsFields) {
  row_.Clear();
  EXPECT_EQ(row_.Count(), 0);
  EXPECT_TRUE(row_.Nulls().empty());
  EXPECT_EQ(row_.ColCount(), 4);
  EXPECT_TRUE(row_.Cells(0).IsNull);
}

}  // namespace
}  // namespace velmorra
