#include "xml/dictionary.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace velmorra {
namespace {

std::u16string Numbered(int number) {
  const std::string digits = std::to_string(number);
  return u"text " + std::u16string(digits.begin(), digits.end());
}

TEST(DictionaryTest, IdsAreConsecutiveInOrderOfFirstAppearance) {
  TDictionary dictionary;
  EXPECT_EQ(dictionary.Intern(u"sms"), 0);
  EXPECT_EQ(dictionary.Intern(u"protocol"), 1);
  EXPECT_EQ(dictionary.Intern(u"sms"), 0);
  EXPECT_EQ(dictionary.Intern(u"null"), 2);
  EXPECT_EQ(dictionary.Intern(u"protocol"), 1);
  EXPECT_EQ(dictionary.Count(), 3);
}

TEST(DictionaryTest, EqualityIsExactAndCaseSensitive) {
  TDictionary dictionary;
  const std::vector<std::u16string> distinct = {
      u"", u"body", u"Body", u"BODY", u"body ", std::u16string(1, u'\0'), u"\u00E9", u"e\u0301"};
  for (size_t i = 0; i < distinct.size(); ++i) {
    EXPECT_EQ(dictionary.Intern(distinct[i]), static_cast<int32_t>(i)) << i;
  }
  EXPECT_EQ(dictionary.Count(), static_cast<int32_t>(distinct.size()));
}

// Each code unit is stored on its own, so texts that are not well-formed UTF-16 survive too.
TEST(DictionaryTest, LookupGivesBackExactlyTheInternedUnits) {
  const std::vector<std::u16string> texts = {
      u"",
      u"plain ASCII",
      u"caf\u00E9 \u20AC \u4E2D",
      std::u16string(u"a\0b", 3),
      std::u16string(1, u'\xD83D'),
      std::u16string(1, u'\xDE00'),
      std::u16string(u"\xDE00\xD83D", 2),
      u"\U0001F600 emoji",
      u"\u007F\u0080\u07FF\u0800\uFFFF",
  };
  TDictionary dictionary;
  std::vector<int32_t> ids;
  for (const auto& text : texts)
    ids.push_back(dictionary.Intern(text));
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(dictionary.Lookup(ids[i]), texts[i]) << i;
    EXPECT_EQ(dictionary.Find(texts[i]), ids[i]) << i;
  }
}

// The length before each stored form takes one byte below 128, two below 16,384 and three below
// 2,097,152: texts whose stored forms lie on each side of those bounds, each followed by a short
// one, come back whole.
TEST(DictionaryTest, StoredFormsOnEitherSideOfALengthByteBoundComeBackWhole) {
  TDictionary dictionary;
  for (const size_t length :
       {size_t{127}, size_t{128}, size_t{129}, size_t{16383}, size_t{16384}, size_t{16385},
        size_t{16511}, size_t{16512}, size_t{2097151}, size_t{2097152}}) {
    SCOPED_TRACE(length);
    const std::u16string text(length, u'x');
    const std::u16string after = Numbered(static_cast<int>(length));
    const int32_t id = dictionary.Intern(text);
    const int32_t after_id = dictionary.Intern(after);
    EXPECT_EQ(dictionary.StoredForm(id).size(), length);
    EXPECT_EQ(dictionary.Lookup(id), text);
    EXPECT_EQ(dictionary.Lookup(after_id), after);
    EXPECT_EQ(dictionary.Find(text), id);
  }
}

TEST(DictionaryTest, FindDoesNotAddAndUnknownIdsThrow) {
  TDictionary dictionary;
  dictionary.Intern(u"one");
  EXPECT_EQ(dictionary.Find(u"two"), std::nullopt);
  EXPECT_EQ(dictionary.Count(), 1);
  EXPECT_THROW(dictionary.Lookup(1), std::out_of_range);
  EXPECT_THROW(dictionary.Lookup(-1), std::out_of_range);
}

TEST(DictionaryTest, BucketCountForTakesThePrimeOfTheCoveringPowerOfTwo) {
  const std::vector<std::pair<size_t, uint32_t>> cases = {
      {0, 97},
      {1, 97},
      {64, 97},
      {65, 193},
      {128, 193},
      {129, 389},
      {1000, 1543},
      {4096, 6151},
      {4097, 12289},
      {1u << 30, 1610612741u},
      {(1u << 30) + 1, 1610612741u},
  };
  for (const auto& [texts, buckets] : cases) {
    EXPECT_EQ(TDictionary::BucketCountFor(texts), buckets) << texts;
  }
}

// The index is rebuilt when the number of texts reaches two thirds of the bucket count, with the
// bucket count that belongs to the new number of texts.
TEST(DictionaryTest, IndexGrowsWhenTwoThirdsFull) {
  const std::vector<std::pair<int, uint32_t>> expected = {
      {0, 97},    {1, 97},    {63, 97},   {64, 97},   {65, 193},  {127, 193},
      {128, 193}, {129, 389}, {257, 389}, {258, 769}, {512, 769}, {513, 1543},
  };
  TDictionary dictionary;
  int added = 0;
  for (const auto& [texts, buckets] : expected) {
    for (; added < texts; ++added)
      dictionary.Intern(Numbered(added));
    ASSERT_EQ(dictionary.Count(), texts);
    EXPECT_EQ(dictionary.BucketCount(), buckets) << texts << " texts";
  }
}

TEST(DictionaryTest, IdsSurviveEveryRebuild) {
  TDictionary dictionary;
  std::vector<std::u16string> texts;
  for (int i = 0; i < 5000; ++i) {
    texts.push_back(Numbered(i) + std::u16string(1, static_cast<char16_t>(0x4E00 + i % 64)));
    ASSERT_EQ(dictionary.Intern(texts.back()), i);
  }
  EXPECT_EQ(dictionary.BucketCount(), 12289u);
  for (int i = 0; i < 5000; ++i) {
    EXPECT_EQ(dictionary.Intern(texts[i]), i);
    EXPECT_EQ(dictionary.Lookup(i), texts[i]);
  }
  EXPECT_EQ(dictionary.Count(), 5000);
}

// A text longer than a block of the dictionary's text memory gets a block of its own; the texts
// before and after it keep theirs.
TEST(DictionaryTest, TextLongerThanABlockLeavesItsNeighboursIntact) {
  TDictionary dictionary;
  const std::u16string huge(5 * 1024 * 1024, u'x');
  const std::vector<std::u16string> texts = {u"before", huge, u"after", u"and more"};
  for (size_t i = 0; i < texts.size(); ++i)
    ASSERT_EQ(dictionary.Intern(texts[i]), static_cast<int32_t>(i));
  for (size_t i = 0; i < texts.size(); ++i)
    EXPECT_TRUE(dictionary.Lookup(static_cast<int32_t>(i)) == texts[i]) << i;
}

}  // namespace
}  // namespace velmorra
