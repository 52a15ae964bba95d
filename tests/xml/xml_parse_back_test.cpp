// Documents written by the writer, read back by a real XML parser (expat): every value must come
// back as it went in, except the characters XML cannot carry, which come back as U+FFFD.
#include <expat.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "xml/memory_byte_stream.h"
#include "xml/xml_document.h"

namespace velmorra {
namespace {

using TAttributes = std::map<std::string, std::string>;

struct TParsed {
  bool well_formed = false;
  std::string error;
  std::vector<std::string> elements;
  std::vector<TAttributes> attributes;  // per element, in document order
};

void OnStartElement(void* user_data, const XML_Char* name, const XML_Char** attributes) {
  TParsed& parsed = *static_cast<TParsed*>(user_data);
  parsed.elements.push_back(name);
  TAttributes& element_attributes = parsed.attributes.emplace_back();
  for (size_t i = 0; attributes[i] != nullptr; i += 2) {
    element_attributes[attributes[i]] = attributes[i + 1];
  }
}

TParsed Parse(const std::string& bytes) {
  TParsed parsed;
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUserData(parser, &parsed);
  XML_SetStartElementHandler(parser, OnStartElement);
  parsed.well_formed =
      XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), 1) == XML_STATUS_OK;
  if (!parsed.well_formed)
    parsed.error = XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  return parsed;
}

struct TValueCase {
  const char* what;
  std::u16string written;
  std::u16string read_back;
};

const std::vector<TValueCase>& ValueCases() {
  static const std::vector<TValueCase> cases = {
      {"plain", u"Hello", u"Hello"},
      {"empty", u"", u""},
      {"line feed", u"one\ntwo", u"one\ntwo"},
      {"CR LF", u"one\r\ntwo", u"one\r\ntwo"},
      {"lone CR", u"one\rtwo", u"one\rtwo"},
      {"tab", u"a\tb", u"a\tb"},
      {"blanks", u"  two  spaces  ", u"  two  spaces  "},
      {"quotes and ampersands", u"Tom & \"Jerry\" 'n' <co>", u"Tom & \"Jerry\" 'n' <co>"},
      {"text that looks escaped", u"&amp; &#10; &lt;", u"&amp; &#10; &lt;"},
      {"controls", std::u16string(u"a\0b\x01\x07\x0B\x0C\x1B\x1F", 9),
       u"a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"noncharacters", u"x\uFFFEy\uFFFF", u"x\uFFFDy\uFFFD"},
      {"lone surrogates", std::u16string(u"\xD83D-\xDE00", 3), u"\uFFFD-\uFFFD"},
      {"emoji", u"\U0001F600\U0001F44D\U0001F3FD ok", u"\U0001F600\U0001F44D\U0001F3FD ok"},
      {"accents and scripts", u"caf\u00E9 \u20AC \u4E2D\u6587 \u05E9\u05DC\u05D5\u05DD",
       u"caf\u00E9 \u20AC \u4E2D\u6587 \u05E9\u05DC\u05D5\u05DD"},
      {"delete and C1 controls", u"\u007F\u0085\u009F", u"\u007F\u0085\u009F"},
  };
  return cases;
}

IXMLDocumentPtr DocumentOfValues(const std::u16string& encoding) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(document->CreateProcessingInstruction(
      u"xml", u"version=\"1.0\" encoding=\"" + encoding + u"\""));
  const IXMLElementPtr smses = document->CreateElement(u"smses");
  document->AppendChild(smses);
  for (const TValueCase& c : ValueCases()) {
    const IXMLElementPtr sms = document->CreateElement(u"sms");
    smses->AppendChild(sms);
    sms->SetAttribute(u"body", c.written);
    sms->SetAttribute(u"subject", u"null");
  }
  smses->SetAttribute(u"count", u"15");
  return document;
}

void ExpectValuesReadBack(const std::string& bytes, const std::string& context) {
  const TParsed parsed = Parse(bytes);
  ASSERT_TRUE(parsed.well_formed) << context << ": " << parsed.error;
  ASSERT_EQ(parsed.elements.size(), ValueCases().size() + 1) << context;
  EXPECT_EQ(parsed.elements[0], "smses");
  EXPECT_EQ(parsed.attributes[0], (TAttributes{{"count", "15"}}));
  for (size_t i = 0; i < ValueCases().size(); ++i) {
    const TValueCase& c = ValueCases()[i];
    EXPECT_EQ(parsed.elements[i + 1], "sms");
    EXPECT_EQ(parsed.attributes[i + 1],
              (TAttributes{{"body", Utf16ToUtf8(c.read_back)}, {"subject", "null"}}))
        << context << ", " << c.what;
  }
}

TEST(XmlParseBackTest, EveryValueReadsBackInEveryLayout) {
  for (const LayoutMode layout :
       {LayoutMode::Compact, LayoutMode::LineBreaks, LayoutMode::Indented}) {
    TMemoryByteStream stream;
    DocumentOfValues(u"utf-8")->SaveToByteStream(stream, layout);
    ExpectValuesReadBack(stream.Bytes(), "layout " + std::to_string(static_cast<int>(layout)));
  }
}

TEST(XmlParseBackTest, EveryValueReadsBackFromUtf16) {
  TMemoryByteStream stream;
  DocumentOfValues(u"utf-16")->SaveToByteStream(stream, LayoutMode::Indented);
  ASSERT_EQ(stream.Bytes().substr(0, 2), "\xFF\xFE");
  ExpectValuesReadBack(stream.Bytes(), "UTF-16");
}

}  // namespace
}  // namespace velmorra
