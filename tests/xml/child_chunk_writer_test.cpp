#include "xml/child_chunk_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "xml/memory_byte_stream.h"
#include "xml/orvik_text_stream.h"
#include "xml/xml_document.h"
#include "xml/xml_exception.h"
#include "xml/xml_text_stream.h"

namespace velmorra {
namespace {

std::u16string Number(int number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

// A root element with `count` children; every third has children of its own, two levels deep,
// so that chunks hold elements of different depths and with end tags.
IXMLElementPtr RootWithChildren(IXMLDocument& document, int count) {
  const IXMLElementPtr root = document.CreateElement(u"root");
  document.AppendChild(root);
  for (int i = 0; i < count; ++i) {
    const IXMLElementPtr child = document.CreateElement(u"c");
    root->AppendChild(child);
    child->SetAttribute(u"n", Number(i));
    child->SetAttribute(u"text", u"a & b < \"é\" \U0001F600\n");
    if (i % 3 == 0) {
      const IXMLElementPtr grandchild = document.CreateElement(u"g");
      child->AppendChild(grandchild);
      grandchild->AppendChild(document.CreateElement(u"leaf"));
      child->AppendChild(document.CreateElement(u"g"));
    }
  }
  return root;
}

const TXMLNodeList& ChildrenOf(const IXMLElementPtr& element) {
  return *dynamic_cast<TXMLNode&>(*element).ChildList();
}

class ChunkedChildren : public ::testing::TestWithParam<std::tuple<uint16_t, LayoutMode, int32_t>> {
};

// The bytes are those of the children's WriteNode calls one after the other, at the same depth,
// whatever the code page, the layout and the cut into chunks.
TEST_P(ChunkedChildren, GiveTheBytesOfTheChildrenWrittenInOrder) {
  const auto [code_page, layout, per_chunk] = GetParam();
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr root = RootWithChildren(*document, 37);
  const TXMLNodeList& children = ChildrenOf(root);
  const auto writer_at_level_two = [&](TMemoryByteStream& stream) {
    auto writer = std::make_unique<TXMLTextStream>(stream, code_page, layout);
    writer->EnterLevel();
    writer->EnterLevel();
    return writer;
  };

  TMemoryByteStream in_order;
  const auto sequential = writer_at_level_two(in_order);
  for (int32_t i = 0; i < children.Length(); ++i)
    children.Node(i).WriteNode(*sequential);
  TMemoryByteStream in_chunks;
  const auto chunked = writer_at_level_two(in_chunks);
  WriteChildrenInChunks(children, *chunked, per_chunk);

  EXPECT_EQ(in_chunks.Bytes(), in_order.Bytes());
  EXPECT_EQ(chunked->Depth(), sequential->Depth());
}

INSTANTIATE_TEST_SUITE_P(
    CodePagesLayoutsAndChunkSizes, ChunkedChildren,
    ::testing::Combine(::testing::Values(kCodePageUtf8, kCodePageUtf16, kCodePageUtf32),
                       ::testing::Values(LayoutMode::Compact, LayoutMode::LineBreaks,
                                         LayoutMode::Indented),
                       ::testing::Values(1, 2, 5, 36, 37, 1000)));

// A document large enough to be saved in chunks, and a stream that takes only part of it.
TEST(ChunkedChildren, LargeDocumentSavesAsOneWriterWouldAndStopsAtAShortWrite) {
  const int count = kChunkedChildrenFrom + kChildrenPerChunk / 2;
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(
      document->CreateProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"utf-8\""));
  const IXMLElementPtr root = document->CreateElement(u"root");
  document->AppendChild(root);
  std::string expected = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<root>";
  for (int i = 0; i < count; ++i) {
    const IXMLElementPtr child = document->CreateElement(u"c");
    root->AppendChild(child);
    child->SetAttribute(u"n", Number(i));
    expected += "\r\n  <c n=\"" + std::to_string(i) + "\" />";
  }
  expected += "\r\n</root>";

  TMemoryByteStream whole;
  document->SaveToByteStream(whole, LayoutMode::Indented);
  EXPECT_EQ(whole.Bytes(), expected);

  const size_t capacity = expected.size() / 2;
  TMemoryByteStream short_of_room;
  short_of_room.SetCapacity(static_cast<int64_t>(capacity));
  EXPECT_THROW(document->SaveToByteStream(short_of_room, LayoutMode::Indented), EXMLWriteError);
  EXPECT_EQ(short_of_room.Bytes(), expected.substr(0, capacity));
}

}  // namespace
}  // namespace velmorra
