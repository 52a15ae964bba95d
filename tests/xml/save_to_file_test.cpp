#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/temp_directory.h"
#include "xml/file_errors.h"
#include "xml/memory_byte_stream.h"
#include "xml/xml_document.h"
#include "xml/xml_text_stream.h"

// Folder permissions and the file size limit stand for a refused folder and a full disk on Linux.
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "xml/file_size_limit.h"
#endif

namespace velmorra {
namespace {

using testing::FileNamesIn;
using testing::ReadFileBytes;
using testing::TTempDirectory;
using testing::WriteFileBytes;

// A document of `count` sms elements, a little over 200 bytes each.
IXMLDocumentPtr BackupDocument(int count) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(
      document->CreateProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"utf-8\""));
  const IXMLElementPtr smses = document->CreateElement(u"smses");
  document->AppendChild(smses);
  for (int i = 0; i < count; ++i) {
    const IXMLElementPtr sms = document->CreateElement(u"sms");
    smses->AppendChild(sms);
    sms->SetAttribute(u"address", u"+15551234");
    sms->SetAttribute(u"body",
                      u"A message long enough to fill the file quickly, with \u00E9 & <b>");
    sms->SetAttribute(u"toa", u"null");
    sms->SetAttribute(u"sc_toa", u"null");
  }
  const std::string count_text = std::to_string(count);
  smses->SetAttribute(u"count", std::u16string(count_text.begin(), count_text.end()));
  return document;
}

std::string InMemory(IXMLDocument& document) {
  TMemoryByteStream stream;
  document.SaveToByteStream(stream, LayoutMode::Indented);
  return stream.Bytes();
}

// Runs `operation`, which must raise `TError`, and returns its message.
template <typename TError, typename TOperation>
std::string MessageRaisedBy(TOperation operation) {
  try {
    operation();
  } catch (const TError& error) {
    return error.what();
  }
  ADD_FAILURE() << "nothing raised";
  return std::string();
}

TEST(SaveToFileTest, WritesTheSameBytesAsTheByteStreamAndLeavesNoOtherFile) {
  TTempDirectory directory;
  const IXMLDocumentPtr document = BackupDocument(500);
  document->SaveToFile(directory.File("sms_All Phones.xml"), LayoutMode::Indented);
  EXPECT_EQ(ReadFileBytes(directory.File("sms_All Phones.xml")), InMemory(*document));
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms_All Phones.xml"});
}

TEST(SaveToFileTest, ReplacesAnExistingFile) {
  TTempDirectory directory;
  const std::string path = directory.File("sms_.xml");
  WriteFileBytes(path, std::string(100000, 'o'));
  const IXMLDocumentPtr document = BackupDocument(0);
  document->SaveToFile(path, LayoutMode::Indented);
  EXPECT_EQ(ReadFileBytes(path), InMemory(*document));
}

TEST(SaveToFileTest, MissingDirectoryCannotBeCreated) {
  TTempDirectory directory;
  const std::string path = directory.File("missing/sms.xml");
  EXPECT_EQ(MessageRaisedBy<EFileCreateError>(
                [&] { BackupDocument(1)->SaveToFile(path, LayoutMode::Indented); }),
            "Cannot create file \"" + path + "\". No such file or directory");
  EXPECT_TRUE(FileNamesIn(directory.Path()).empty());
}

TEST(SaveToFileTest, CreateErrorNamesTheFullPath) {
  TTempDirectory directory;
  const std::string saved_directory = std::filesystem::current_path().string();
  std::filesystem::current_path(directory.Path());
  const std::string message = MessageRaisedBy<EFileCreateError>(
      [&] { BackupDocument(1)->SaveToFile("nowhere/../nowhere/x.xml", LayoutMode::Indented); });
  std::filesystem::current_path(saved_directory);
  EXPECT_EQ(message, "Cannot create file \"" +
                         std::filesystem::canonical(directory.Path()).string() +
                         "/nowhere/x.xml\". No such file or directory");
}

#ifndef _WIN32
// A file that is already there and may be written is written in place, as a plain write would.
TEST(SaveToFileTest, ReadOnlyDirectoryTakesNoNewFile) {
  if (geteuid() == 0)
    GTEST_SKIP() << "permissions do not stop the superuser";
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  WriteFileBytes(directory.File("other.xml"), "earlier export");
  chmod(directory.Path().c_str(), 0555);
  const std::string message = MessageRaisedBy<EFileCreateError>(
      [&] { BackupDocument(1)->SaveToFile(path, LayoutMode::Indented); });
  chmod(directory.Path().c_str(), 0755);
  EXPECT_EQ(message, "Cannot create file \"" + path + "\". Permission denied");
  EXPECT_EQ(ReadFileBytes(directory.File("other.xml")), "earlier export");
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"other.xml"});
}

// A file size limit fails the writes the way a full disk does, after a few blocks.
TEST(SaveToFileTest, FailedWriteRaisesAndKeepsTheEarlierFile) {
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  WriteFileBytes(path, "earlier export");
  const IXMLDocumentPtr document = BackupDocument(5000);
  std::string message;
  {
    testing::TFileSizeLimit limit(200 * 1024);
    message =
        MessageRaisedBy<EFileWriteError>([&] { document->SaveToFile(path, LayoutMode::Indented); });
  }
  EXPECT_EQ(message, "Cannot write file \"" + path + "\". File too large");
  EXPECT_EQ(ReadFileBytes(path), "earlier export");
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms.xml"});
}

#endif

// An element class of a specialised document that fails halfway through writing itself.
class TFailingElement : public TXMLElement {
 public:
  using TXMLElement::TXMLElement;
  void WriteNode(TXMLTextStream& stream) const override {
    stream.Emit(u"<partial");
    throw std::runtime_error("conversion failed");
  }
};

class TFailingDocument : public TXMLDocument {
 protected:
  TXMLPtr<TXMLElement> NewElement(std::u16string_view tag_name) override {
    return MakeNode<TFailingElement>(*this, tag_name);
  }
};

TEST(SaveToFileTest, AnyErrorWhileWritingKeepsTheEarlierFile) {
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  WriteFileBytes(path, "earlier export");
  const IXMLDocumentPtr document(new TFailingDocument());
  document->AppendChild(document->CreateElement(u"smses"));
  EXPECT_EQ(MessageRaisedBy<std::runtime_error>(
                [&] { document->SaveToFile(path, LayoutMode::Indented); }),
            "conversion failed");
  EXPECT_EQ(ReadFileBytes(path), "earlier export");
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms.xml"});
}

}  // namespace
}  // namespace velmorra
