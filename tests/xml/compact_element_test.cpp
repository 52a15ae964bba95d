#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "xml/child_chunk_writer.h"
#include "xml/memory_byte_stream.h"
#include "xml/xml_document.h"

namespace velmorra {
namespace {

struct TNamedValue {
  std::u16string Name;
  std::u16string Value;
};

// Elements of a few shapes (one with a name twice), with values that need escaping, characters
// beyond the Basic Multilingual Plane, a lone surrogate, U+0000 and runs longer than the sixteen
// bytes looked at together.
std::vector<TNamedValue> MessageAttributes(int i) {
  const std::string digits = std::to_string(1262304000000 + i);
  const std::u16string number(digits.begin(), digits.end());
  std::vector<TNamedValue> attributes = {
      {u"protocol", u"0"},
      {u"date", number},
      {u"body", u"See you at the station, \"Tom\" & Jerry! Tr\u00E8s bien \U0001F600 <3 " + number +
                    u"\n\t\r" + std::u16string(1, u'\0') + u"\xD83D"},
      {u"read", i % 2 == 0 ? u"1" : u""}};
  if (i % 5 == 1)
    attributes.push_back({u"body", u"second body"});
  if (i % 7 == 2)
    attributes.push_back({u"status", u"-1"});
  return attributes;
}

// A document whose root holds `count` elements, made by AppendElementIds when `compact` is set and
// by CreateElement, AppendChild and SetAttributeIds otherwise. The declaration names `charset`.
IXMLDocumentPtr DocumentOfElements(bool compact, int count, const std::u16string& charset) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(document->CreateProcessingInstruction(
      u"xml", u"version=\"1.0\" encoding=\"" + charset + u"\""));
  const IXMLElementPtr root = document->CreateElement(u"smses");
  document->AppendChild(root);
  TDictionary& dictionary = document->Dictionary();
  const int32_t sms = dictionary.Intern(u"sms");
  for (int i = 0; i < count; ++i) {
    std::vector<TAttributeIds> attributes;
    for (const TNamedValue& attribute : MessageAttributes(i))
      attributes.push_back({dictionary.Intern(attribute.Name), dictionary.Intern(attribute.Value)});
    if (compact) {
      root->AppendElementIds(sms, attributes);
      continue;
    }
    const IXMLElementPtr element = document->CreateElement(u"sms");
    root->AppendChild(element);
    for (const TAttributeIds& attribute : attributes)
      element->SetAttributeIds(attribute.NameId, attribute.ValueId);
  }
  root->SetAttribute(u"count", u"all");
  return document;
}

std::string Saved(IXMLDocument& document, LayoutMode layout) {
  TMemoryByteStream stream;
  document.SaveToByteStream(stream, layout);
  return stream.Bytes();
}

class CompactElements
    : public ::testing::TestWithParam<std::tuple<std::u16string, LayoutMode, int>> {};

// In every code page and layout, and written in chunks on two threads or not.
TEST_P(CompactElements, AreWrittenAsTheNodesTheyStandForWouldBe) {
  const auto& [charset, layout, count] = GetParam();
  const IXMLDocumentPtr compact = DocumentOfElements(true, count, charset);
  const IXMLDocumentPtr nodes = DocumentOfElements(false, count, charset);
  EXPECT_EQ(Saved(*compact, layout), Saved(*nodes, layout));
}

INSTANTIATE_TEST_SUITE_P(CodePagesAndLayouts, CompactElements,
                         ::testing::Combine(::testing::Values(u"utf-8", u"utf-16", u"windows-1252"),
                                            ::testing::Values(LayoutMode::Compact,
                                                              LayoutMode::LineBreaks,
                                                              LayoutMode::Indented),
                                            ::testing::Values(40, kChunkedChildrenFrom + 35)));

TEST(CompactElement, IsANodeOnceAskedForAndStaysThatNode) {
  const IXMLDocumentPtr document = DocumentOfElements(true, 3, u"utf-8");
  const IXMLNodePtr root = document->ChildNodes()->Item(1);
  const IXMLNodeListPtr children = root->ChildNodes();
  ASSERT_EQ(children->Length(), 3);
  EXPECT_EQ(children->Item(3), nullptr);

  // Elements 0 and 2 are compact; element 1, whose body is set twice, is not.
  const IXMLNodePtr third = children->Item(2);
  EXPECT_EQ(third->NodeName(), u"sms");
  EXPECT_EQ(third->NodeType(), kElementNode);
  EXPECT_EQ(third->ParentNode(), root);
  EXPECT_FALSE(third->HasChildNodes());
  EXPECT_EQ(children->Item(2), third);
  const IXMLNamedNodeMapPtr attributes = third->Attributes();
  const std::vector<TNamedValue> expected = MessageAttributes(2);
  ASSERT_EQ(attributes->Length(), static_cast<int32_t>(expected.size()));
  for (int32_t i = 0; i < attributes->Length(); ++i) {
    EXPECT_EQ(attributes->Item(i)->NodeName(), expected[i].Name);
    EXPECT_EQ(attributes->Item(i)->NodeValue(), expected[i].Value);
  }
  EXPECT_EQ(children->Item(1)->Attributes()->GetNamedItem(u"body")->NodeValue(), u"second body");

  // What is done to the node is written; the compact ones around it are written as before.
  const std::string before = Saved(*document, LayoutMode::Indented);
  XMLCast<IXMLElement>(third)->SetAttribute(u"read", u"changed");
  const std::string after = Saved(*document, LayoutMode::Indented);
  EXPECT_NE(after.find("read=\"changed\""), std::string::npos);
  EXPECT_EQ(after.size(), before.size() + std::string("changed").size() - 1);
}

TEST(CompactElement, IdsThatWereNeverHandedOutThrowAndAppendNothing) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr root = document->CreateElement(u"root");
  TDictionary& dictionary = document->Dictionary();
  const int32_t name = dictionary.Intern(u"name");
  const std::vector<std::vector<TAttributeIds>> bad = {{{name, 99}}, {{99, name}}, {{name, -1}}};
  for (const std::vector<TAttributeIds>& attributes : bad)
    EXPECT_THROW(root->AppendElementIds(name, attributes), std::out_of_range);
  EXPECT_THROW(root->AppendElementIds(99, {}), std::out_of_range);
  EXPECT_FALSE(root->HasChildNodes());
}

}  // namespace
}  // namespace velmorra
