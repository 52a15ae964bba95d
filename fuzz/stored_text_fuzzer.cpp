// Stored-text decoding, the UTF-8 reader and writer, and the XML text written for a stored text:
// any bytes keep every character, and the document parses back to exactly the characters the
// README promises (U+FFFD only for what XML cannot hold).
#include <cstdint>
#include <string>

#include "export/stored_text.h"
#include "fuzz_check.h"
#include "platform/text_encoding.h"
#include "xml/dictionary.h"
#include "xml/memory_byte_stream.h"
#include "xml/xml_document.h"
#include "xml_text_model.h"
#ifdef VELMORRA_FUZZ_EXPAT
#include "export/backup_file_reader.h"
#endif

namespace velmorra::fuzzing {
namespace {

// The UTF-8 readers agree with the standard's table: DecodeUtf8 takes exactly the well-formed
// texts and gives back what encodes to the same bytes; AnsiToUtf16 and DecodeStoredText read the
// same sequences and differ only in what a byte of no sequence becomes.
void CheckUtf8Readers(const std::string& bytes, const std::u16string& decoded) {
  const std::optional<std::u16string> strict = DecodeUtf8(bytes);
  FUZZ_CHECK(strict.has_value() == IsWellFormedUtf8(bytes), Printable(bytes));
  if (strict) {
    FUZZ_CHECK(*strict == decoded, Printable(bytes));
    FUZZ_CHECK(Utf16ToUtf8(*strict) == bytes, Printable(bytes));
  }
  FUZZ_CHECK(Utf16ToUtf8(decoded) == ExpectedText(bytes, false), Printable(bytes));
  FUZZ_CHECK(Utf16ToUtf8(AnsiToUtf16(bytes)) == ExpectedAnsiText(bytes), Printable(bytes));
}

// The UTF-8 writer gives well-formed UTF-8 for any code units, a lone surrogate as U+FFFD.
void CheckUtf8Writer(const std::string& bytes) {
  const std::u16string units = LittleEndianUnits(bytes);
  const std::string encoded = Utf16ToUtf8(units);
  FUZZ_CHECK(IsWellFormedUtf8(encoded), Printable(units));
  const std::optional<std::u16string> back = DecodeUtf8(encoded);
  FUZZ_CHECK(back && back->size() == units.size(), Printable(units));
  for (size_t i = 0; i < units.size(); ++i) {
    const bool surrogate = units[i] >= 0xD800 && units[i] <= 0xDFFF;
    if (!surrogate)
      FUZZ_CHECK((*back)[i] == units[i], Printable(units));
  }
}

// The stored form is the dictionary's form of the decoded text: interned by it, the text comes
// back decoded, and interning the decoded text finds the same id.
int32_t CheckStoredForm(TDictionary& dictionary, const std::string& bytes,
                        const std::u16string& decoded) {
  std::string stored;
  AppendStoredForm(bytes, stored);
  const int32_t id = dictionary.InternStored(stored, TDictionary::HashStored(stored));
  FUZZ_CHECK(dictionary.StoredForm(id) == stored, Printable(bytes));
  FUZZ_CHECK(dictionary.Lookup(id) == decoded, Printable(bytes));
  FUZZ_CHECK(dictionary.Intern(decoded) == id, Printable(bytes));
  return id;
}

// One sms element whose body is set from the stored form, as the export sets it, and whose address
// is set from the UTF-16 text: the file holds both as the promised characters.
void CheckDocument(const std::string& bytes, const std::u16string& decoded) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  const IXMLElementPtr smses = document->CreateElement(u"smses");
  document->AppendChild(smses);
  const IXMLElementPtr sms = document->CreateElement(u"sms");
  smses->AppendChild(sms);
  TDictionary& dictionary = document->Dictionary();
  const int32_t body = CheckStoredForm(dictionary, bytes, decoded);
  sms->SetAttributeIds(dictionary.Intern(u"body"), body);
  sms->SetAttribute(u"address", decoded);
  TMemoryByteStream stream;
  document->SaveToByteStream(stream, LayoutMode::Indented);
  const std::string& file = stream.Bytes();
  FUZZ_CHECK(IsWellFormedUtf8(file), Printable(file));
#ifdef VELMORRA_FUZZ_EXPAT
  const testing::TBackupFile parsed = testing::ParseBackupFile(file);
  FUZZ_CHECK(parsed.WellFormed, parsed.Error + " in " + Printable(file));
  FUZZ_CHECK(parsed.Messages.size() == 1, Printable(file));
  const std::string expected = ExpectedText(bytes);
  const testing::TAttributes attributes = {{"body", expected}, {"address", expected}};
  FUZZ_CHECK(parsed.Messages[0] == attributes, Printable(bytes) + " gave " + Printable(file));
#endif
}

}  // namespace
}  // namespace velmorra::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmorra;
  using namespace velmorra::fuzzing;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string decoded = DecodeStoredText(bytes);
  CheckUtf8Readers(bytes, decoded);
  CheckUtf8Writer(bytes);
  CheckDocument(bytes, decoded);
  return 0;
}
