#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <tuple>
#include <vector>

#include "xml/charset_table.h"
#include "xml/memory_byte_stream.h"
#include "xml/output_code_page.h"
#include "xml/xml_document.h"
#include "xml/xml_exception.h"
#include "xml/xml_text_stream.h"

namespace velmorra {
namespace {

struct TMessage {
  std::u16string address, date, type, body;
};

// The document the SMS backup export builds, with the export's declaration and attribute order.
IXMLDocumentPtr BackupDocument(const std::vector<TMessage>& messages) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(
      document->CreateProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"utf-8\""));
  const IXMLElementPtr smses = document->CreateElement(u"smses");
  document->AppendChild(smses);
  for (const TMessage& message : messages) {
    const IXMLElementPtr sms = document->CreateElement(u"sms");
    smses->AppendChild(sms);
    sms->SetAttribute(u"protocol", u"0");
    sms->SetAttribute(u"address", message.address);
    sms->SetAttribute(u"date", message.date);
    sms->SetAttribute(u"type", message.type);
    sms->SetAttribute(u"subject", u"null");
    sms->SetAttribute(u"body", message.body);
    sms->SetAttribute(u"toa", u"null");
    sms->SetAttribute(u"sc_toa", u"null");
    sms->SetAttribute(u"service_center", u"null");
    sms->SetAttribute(u"read", u"1");
    sms->SetAttribute(u"status", u"-1");
  }
  const std::string count = std::to_string(messages.size());
  smses->SetAttribute(u"count", std::u16string(count.begin(), count.end()));
  return document;
}

std::string Saved(IXMLDocument& document, LayoutMode layout) {
  TMemoryByteStream stream;
  document.SaveToByteStream(stream, layout);
  return stream.Bytes();
}

// UTF-16 LE bytes of ASCII text.
std::string Utf16Le(const std::string& ascii) {
  std::string bytes;
  for (const char c : ascii)
    bytes += std::string{c, '\0'};
  return bytes;
}

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

std::string SmsLine(const std::string& address, const std::string& date, const std::string& type,
                    const std::string& body) {
  return "  <sms protocol=\"0\" address=\"" + address + "\" date=\"" + date + "\" type=\"" + type +
         "\" subject=\"null\" body=\"" + body +
         "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\" status=\"-1\" />";
}

// The line feed in the body is written as a character reference, so that it survives a parser.
TEST(XmlWriterTest, BackupFileOfOneMessageByteByByte) {
  const IXMLDocumentPtr document =
      BackupDocument({{u"+15551234", u"1262304000000", u"1", u"Tom & \"Jerry\"\n\u00E9"}});
  const std::string expected =
      kDeclaration + "\r\n<smses count=\"1\">\r\n" +
      SmsLine("+15551234", "1262304000000", "1", "Tom &amp; &quot;Jerry&quot;&#10;\xC3\xA9") +
      "\r\n</smses>";
  const std::string bytes = Saved(*document, LayoutMode::Indented);
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(bytes.substr(0, 5), "\x3C\x3F\x78\x6D\x6C");
}

TEST(XmlWriterTest, BackupFileWithoutMessagesEndsInAnEmptyRoot) {
  EXPECT_EQ(Saved(*BackupDocument({}), LayoutMode::Indented),
            kDeclaration + "\r\n<smses count=\"0\" />");
}

TEST(XmlWriterTest, BackupFileOfSeveralMessagesHasOneLinePerMessage) {
  const IXMLDocumentPtr document = BackupDocument({{u"+1", u"1000", u"1", u"first"},
                                                   {u"+2", u"2000", u"2", u""},
                                                   {u"+1", u"3000", u"1", u"it's <b>"}});
  EXPECT_EQ(Saved(*document, LayoutMode::Indented),
            kDeclaration + "\r\n<smses count=\"3\">\r\n" + SmsLine("+1", "1000", "1", "first") +
                "\r\n" + SmsLine("+2", "2000", "2", "") + "\r\n" +
                SmsLine("+1", "3000", "1", "it&apos;s &lt;b&gt;") + "\r\n</smses>");
}

TEST(XmlWriterTest, DocumentWithoutChildrenWritesNothing) {
  for (const LayoutMode layout :
       {LayoutMode::Compact, LayoutMode::LineBreaks, LayoutMode::Indented}) {
    EXPECT_EQ(Saved(*MakeXMLDocument(), layout), "");
  }
}

// <r k="v"><a/><b><c x="1"/></b></r> below a declaration, in each layout.
TEST(XmlWriterTest, LayoutsDifferInLineBreaksIndentationAndEmptyElementEnds) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(document->CreateProcessingInstruction(u"xml", u"version=\"1.0\""));
  const IXMLElementPtr r = document->CreateElement(u"r");
  document->AppendChild(r);
  r->SetAttribute(u"k", u"v");
  r->AppendChild(document->CreateElement(u"a"));
  const IXMLElementPtr b = document->CreateElement(u"b");
  r->AppendChild(b);
  const IXMLElementPtr c = document->CreateElement(u"c");
  b->AppendChild(c);
  c->SetAttribute(u"x", u"1");

  const std::vector<std::pair<LayoutMode, std::string>> cases = {
      {LayoutMode::Compact, "<?xml version=\"1.0\"?><r k=\"v\"><a/><b><c x=\"1\"/></b></r>"},
      {LayoutMode::LineBreaks,
       "<?xml version=\"1.0\"?>\r\n<r k=\"v\">\r\n<a/>\r\n<b>\r\n<c x=\"1\"/>\r\n</b>\r\n</r>"},
      {LayoutMode::Indented,
       "<?xml version=\"1.0\"?>\r\n<r k=\"v\">\r\n  <a />\r\n  <b>\r\n    <c x=\"1\" />\r\n"
       "  </b>\r\n</r>"},
  };
  for (const auto& [layout, expected] : cases) {
    EXPECT_EQ(Saved(*document, layout), expected) << static_cast<int>(layout);
  }
}

TEST(XmlWriterTest, NamesTargetsAndDataAreWrittenAsGiven) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(document->CreateProcessingInstruction(u"pi", u""));
  document->AppendChild(document->CreateProcessingInstruction(u"x&", u"<\"data\">"));
  const IXMLElementPtr element = document->CreateElement(u"a<b");
  document->AppendChild(element);
  element->SetAttribute(u"n&m", u"");
  EXPECT_EQ(Saved(*document, LayoutMode::Indented),
            "<?pi ?>\r\n<?x& <\"data\">?>\r\n<a<b n&m=\"\" />");
}

TEST(XmlWriterTest, SavingChangesNothingAndTruncatesTheStream) {
  const IXMLDocumentPtr document = BackupDocument({{u"+1", u"1000", u"1", u"body"}});
  const std::string first = Saved(*document, LayoutMode::Indented);
  TMemoryByteStream stream(std::string(4096, 'x'));
  document->SaveToByteStream(stream, LayoutMode::Indented);
  EXPECT_EQ(stream.Bytes(), first);
}

// Elements keep SetAttribute's attributes compactly until their collection is requested; both
// forms must write the same bytes, a replaced value and an empty one included.
TEST(XmlWriterTest, AttributesWriteAlikeBeforeAndAfterTheirCollectionIsRequested) {
  const IXMLDocumentPtr document =
      BackupDocument({{u"+1", u"1000", u"1", u"a & \"b\""}, {u"+2", u"2000", u"2", u""}});
  const IXMLNodePtr smses = document->ChildNodes()->Item(1);
  XMLCast<IXMLElement>(smses->ChildNodes()->Item(0))->SetAttribute(u"address", u"<+3>");
  std::vector<std::string> compact;
  for (const LayoutMode layout :
       {LayoutMode::Compact, LayoutMode::LineBreaks, LayoutMode::Indented}) {
    compact.push_back(Saved(*document, layout));
  }
  EXPECT_NE(compact[2].find("<sms protocol=\"0\" address=\"&lt;+3&gt;\" date=\"1000\""),
            std::string::npos);

  smses->Attributes();
  for (int32_t i = 0; i < smses->ChildNodes()->Length(); ++i)
    smses->ChildNodes()->Item(i)->Attributes();
  size_t index = 0;
  for (const LayoutMode layout :
       {LayoutMode::Compact, LayoutMode::LineBreaks, LayoutMode::Indented}) {
    EXPECT_EQ(Saved(*document, layout), compact[index++]) << static_cast<int>(layout);
  }
}

// Every kind of code unit the escaping treats on its own, in an attribute name and value of a
// UTF-8 file.
TEST(XmlWriterTest, AttributesAreWrittenInUtf8AsEscaped) {
  const std::vector<std::tuple<std::u16string, std::u16string, std::string>> cases = {
      {u"a", u"plain text", " a=\"plain text\""},
      {u"a", u"", " a=\"\""},
      {u"a", u"\"&'<>", " a=\"&quot;&amp;&apos;&lt;&gt;\""},
      {u"a", u"\r\n\t", " a=\"&#13;&#10;&#9;\""},
      {u"a", std::u16string(u"x\0y\x01z", 5), " a=\"x\xEF\xBF\xBDy\xEF\xBF\xBDz\""},
      {u"a", u"\u00e9\u07ff\u0800\u20ac\uff0c\ufffd",
       " a=\"\xC3\xA9\xDF\xBF\xE0\xA0\x80\xE2\x82\xAC\xEF\xBC\x8C\xEF\xBF\xBD\""},
      {u"a", u"\uFFFE\uFFFF", " a=\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {u"a", u"\U0001F600.\U0010FFFF", " a=\"\xF0\x9F\x98\x80.\xF4\x8F\xBF\xBF\""},
      {u"a", u"\xD83D", " a=\"\xEF\xBF\xBD\""},
      {u"a", u"\xDE00\xD83Dx\xD83D", " a=\"\xEF\xBF\xBD\xEF\xBF\xBDx\xEF\xBF\xBD\""},
      {u"a", u"\xD83D\xD83D\xDE00", " a=\"\xEF\xBF\xBD\xF0\x9F\x98\x80\""},
      {u"n&<\U0001F600", u"v", " n&<\xF0\x9F\x98\x80=\"v\""},
      {std::u16string(u"\0\xD800", 2), u"v", std::string(" \xE0\x80\x80\xED\xA0\x80=\"v\"", 11)},
  };
  for (const auto& [name, value, expected] : cases) {
    const IXMLDocumentPtr document = MakeXMLDocument();
    document->AppendChild(document->CreateProcessingInstruction(u"xml", u"encoding=\"utf-8\""));
    const IXMLElementPtr element = document->CreateElement(u"e");
    document->AppendChild(element);
    element->SetAttribute(name, value);
    EXPECT_EQ(Saved(*document, LayoutMode::Compact),
              "<?xml encoding=\"utf-8\"?><e" + expected + "/>")
        << testing::PrintToString(expected);
  }
}

TEST(XmlWriterTest, ShortWriteIsRaisedAndKeepsWhatWasTaken) {
  const IXMLDocumentPtr document = BackupDocument({{u"+1", u"1000", u"1", u"body"}});
  const std::string complete = Saved(*document, LayoutMode::Indented);
  for (const int64_t capacity : {0, 1, 40, 100}) {
    TMemoryByteStream stream;
    stream.SetCapacity(capacity);
    EXPECT_THROW(document->SaveToByteStream(stream, LayoutMode::Indented), EXMLWriteError)
        << capacity;
    EXPECT_EQ(stream.Bytes(), complete.substr(0, capacity));
  }
}

TEST(XmlWriterTest, Utf16DeclarationWritesUtf16WithByteOrderMark) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(
      document->CreateProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"utf-16\""));
  const IXMLElementPtr root = document->CreateElement(u"r");
  document->AppendChild(root);
  root->SetAttribute(u"v", u"\u00E9");
  EXPECT_EQ(Saved(*document, LayoutMode::Indented),
            "\xFF\xFE" + Utf16Le("<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<r v=\"") +
                std::string("\xE9\x00", 2) + Utf16Le("\" />"));
}

struct TDeclarationCase {
  std::u16string target, data;
  std::optional<uint16_t> code_page;
};

TEST(XmlWriterTest, DeclaredCodePageReadsTheEncodingPseudoAttribute) {
  const std::vector<TDeclarationCase> cases = {
      {u"xml", u"version=\"1.0\" encoding=\"utf-8\"", 65001},
      {u"xml", u"encoding=\"UTF-8\"", 65001},
      {u"XmL", u"encoding='Utf-16'", 1200},
      {u"xml", u"encoding=\"windows-1252\" standalone=\"yes\"", 1252},
      {u"xml", u"encoding=\"ISO-8859-5\"", 28595},
      {u"xml", u"encoding=\"shift-jis\"", 932},
      {u"xml", u"encoding = \"utf-16\"", std::nullopt},
      {u"xml", u"encoding =\"utf-16\"", std::nullopt},
      {u"xml", u"encoding= \"utf-16\"", std::nullopt},
      {u"xml", u"Encoding=\"utf-16\"", std::nullopt},
      {u"xml", u"encoding=\"utf16\"", std::nullopt},
      {u"xml", u"encoding=\"utf-16'", std::nullopt},
      {u"xml", u"encoding='utf-16\"", std::nullopt},
      {u"xml", u"encoding=utf-16", std::nullopt},
      {u"xml", u"encoding=", std::nullopt},
      {u"xml", u"encoding=\"\"", std::nullopt},
      {u"xml", u"version=\"1.0\"", std::nullopt},
      {u"xml", u"myencoding=\"utf-16\"", 1200},
      {u"xml", u"encoding=\"utf-16\" encoding=\"utf-8\"", 1200},
      {u"xml-stylesheet", u"encoding=\"utf-16\"", std::nullopt},
      {u"xm", u"encoding=\"utf-16\"", std::nullopt},
  };
  const IXMLDocumentPtr document = MakeXMLDocument();
  for (const auto& c : cases) {
    const IXMLProcessingInstructionPtr pi = document->CreateProcessingInstruction(c.target, c.data);
    EXPECT_EQ(DeclaredCodePage(*pi), c.code_page) << std::string(c.data.begin(), c.data.end());
  }
}

TEST(XmlWriterTest, LastTopLevelProcessingInstructionChoosesTheCodePage) {
  const auto code_page_of = [](const std::vector<std::pair<std::u16string, std::u16string>>& pis,
                               bool pi_inside_element) {
    const IXMLDocumentPtr document = MakeXMLDocument();
    for (const auto& [target, data] : pis) {
      document->AppendChild(document->CreateProcessingInstruction(target, data));
    }
    const IXMLElementPtr root = document->CreateElement(u"r");
    document->AppendChild(root);
    if (pi_inside_element) {
      root->AppendChild(document->CreateProcessingInstruction(u"xml", u"encoding=\"utf-16\""));
    }
    return ChooseOutputCodePage(*document);
  };
  const std::u16string utf8 = u"version=\"1.0\" encoding=\"utf-8\"";
  const std::u16string utf16 = u"version=\"1.0\" encoding=\"utf-16\"";
  EXPECT_EQ(code_page_of({}, false), 65001);
  EXPECT_EQ(code_page_of({{u"xml", utf16}}, false), 1200);
  EXPECT_EQ(code_page_of({{u"xml", utf16}, {u"xml", utf8}}, false), 65001);
  EXPECT_EQ(code_page_of({{u"xml", utf8}, {u"xml", utf16}}, false), 1200);
  EXPECT_EQ(code_page_of({{u"xml", utf16}, {u"xml-stylesheet", u"href=\"a\""}}, false), 65001);
  EXPECT_EQ(code_page_of({{u"xml", u"encoding=\"klingon\""}}, false), 65001);
  EXPECT_EQ(code_page_of({{u"xml", utf8}}, true), 65001);
}

TEST(XmlWriterTest, CharsetTableIsSearchedInOrderIgnoringAsciiCase) {
  ASSERT_EQ(CharsetTable.size(), 23u);
  EXPECT_STREQ(CharsetTable.front().Name, "shift-jis");
  EXPECT_EQ(CharsetTable.back().CodePage, 65001);
  for (const TCodePage& row : CharsetTable) {
    std::string upper = row.Name;
    for (char& c : upper)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(CodePageOfCharset(upper), row.CodePage) << upper;
  }
  EXPECT_EQ(CodePageOfCharset("utf-8 "), std::nullopt);
  EXPECT_EQ(CodePageOfCharset(""), std::nullopt);
}

// Depth: -1 before the document; the top-level marker once a top-level element is done.
TEST(XmlWriterTest, TextStreamLevelsAndLineBreaks) {
  TMemoryByteStream stream;
  TXMLTextStream writer(stream, 65001, LayoutMode::Indented);
  EXPECT_EQ(writer.Depth(), -1);
  writer.LineBreak(false);
  writer.EnterLevel();
  EXPECT_EQ(writer.Depth(), 0);
  writer.LineBreak(false);
  writer.Emit(u"a");
  writer.LineBreak(true);
  writer.EnterLevel();
  writer.EnterLevel();
  EXPECT_EQ(writer.Depth(), 2);
  writer.LineBreak(false);
  writer.Emit(u"b");
  writer.LeaveLevel();
  writer.LeaveLevel();
  EXPECT_EQ(writer.Depth(), TXMLTextStream::kTopLevel);
  EXPECT_EQ(TXMLTextStream::kTopLevel, 2147483647);
  writer.LineBreak(false);
  writer.Emit(u"c");
  writer.EnterLevel();
  EXPECT_EQ(writer.Depth(), 1);
  EXPECT_EQ(stream.Bytes(), "a\r\n\r\n    b\r\nc");
}

}  // namespace
}  // namespace velmorra
