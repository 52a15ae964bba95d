#include "export/sms_backup_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "export_test_doubles.h"
#include "platform/program_directory.h"
#include "support/message_datastore.h"
#include "support/temp_directory.h"
#include "without_library.h"
#include "xml/file_errors.h"

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::FileNamesIn;
using testing::TMessageDatastore;
using testing::TRecordingMessageBoxes;
using testing::TTempDirectory;

void WriteOneSms(const std::string& path, const std::string& imei = "356938035643809") {
  TMessageDatastore datastore(path);
  datastore.Insert({{"IMEI", imei},
                    {"type", "SMS"},
                    {"Sender", "5551234"},
                    {"SentReceivedTimestamp", 40179.5},
                    {"Status", 1},
                    {"Text", "Hello"}});
}

TEST(IsSentStatus, TakesBitZeroAsTheMarkOfASentMessage) {
  const std::vector<std::pair<int32_t, bool>> cases = {
      {0, false}, {1, true},   {2, false},         {3, true},        {5, true},
      {-1, true}, {-2, false}, {INT32_MIN, false}, {INT32_MAX, true}};
  for (const auto& [status, sent] : cases)
    EXPECT_EQ(IsSentStatus(status), sent) << status;
}

// A run that ends with a message: the text shown, no file written, nothing created at the path.
struct TFailingExport {
  const char* Name;
  std::string (*Path)(const TTempDirectory& directory);
  std::string (*Message)(const std::string& path);
};

void PrintTo(const TFailingExport& failure, std::ostream* out) {
  *out << failure.Name;
}

class ExportSmsBackupFailure : public ::testing::TestWithParam<TFailingExport> {};

TEST_P(ExportSmsBackupFailure, ShowsTheErrorAndWritesNothing) {
  TTempDirectory input;
  TTempDirectory output;
  const std::string path = GetParam().Path(input);
  const bool existed = std::filesystem::exists(path);
  const bool regular_file = std::filesystem::is_regular_file(path);
  const std::string before = regular_file ? testing::ReadFileBytes(path) : std::string();
  testing::WriteFileBytes(output.File("sms_All Phones.xml"), "an earlier backup");
  TRecordingMessageBoxes messages;

  const TExportResult result = ExportSmsBackup(path, 0, "All Phones", messages, output.Path());

  EXPECT_FALSE(result.Written);
  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(messages.Shown[0].first, TMessageBoxKind::Error);
  EXPECT_EQ(messages.Shown[0].second, GetParam().Message(path));
  EXPECT_THAT(FileNamesIn(output.Path()), ElementsAre("sms_All Phones.xml"));
  EXPECT_EQ(testing::ReadFileBytes(output.File("sms_All Phones.xml")), "an earlier backup");
  EXPECT_EQ(std::filesystem::exists(path), existed) << "no database is created";
  if (regular_file) {
    EXPECT_EQ(testing::ReadFileBytes(path), before);
  }
}

std::string MissingMessage(const std::string&) {
  return "Datastore file doesn't exist.";
}

// A path longer than the SQLite library accepts: the file exists, the library cannot open it.
// The datastore is written under a short name and moved there.
std::string UnopenableDatastore(const TTempDirectory& directory) {
  const std::string short_path = directory.File("short.db3");
  WriteOneSms(short_path);
  std::string path = directory.Path();
  for (int i = 0; i < 12; ++i)
    path += std::string(60, 'd') + "/";
  std::filesystem::create_directories(path);
  path += "MDataStore.db3";
  std::filesystem::rename(short_path, path);
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    NoDatastoreFile, ExportSmsBackupFailure,
    ::testing::Values(
        TFailingExport{"NoFileAtThePath",
                       [](const TTempDirectory& d) { return d.File("MDataStore.db3"); },
                       MissingMessage},
        TFailingExport{"EmptyPath", [](const TTempDirectory&) { return std::string(); },
                       MissingMessage},
        TFailingExport{"PathNamesADirectory", [](const TTempDirectory& d) { return d.Path(); },
                       MissingMessage},
        TFailingExport{"PathIntoAMissingDirectory",
                       [](const TTempDirectory& d) { return d.File("gone/MDataStore.db3"); },
                       MissingMessage}),
    [](const ::testing::TestParamInfo<TFailingExport>& info) { return info.param.Name; });

INSTANTIATE_TEST_SUITE_P(
    CannotOpen, ExportSmsBackupFailure,
    ::testing::Values(TFailingExport{"FileTheLibraryCannotOpen", UnopenableDatastore,
                                     [](const std::string& path) {
                                       return "Error openin datastore. Error was: Failed to open "
                                              "the database\r\n" +
                                              path + ", ErrorCode: 14.";
                                     }}),
    [](const ::testing::TestParamInfo<TFailingExport>& info) { return info.param.Name; });

INSTANTIATE_TEST_SUITE_P(
    QueryFails, ExportSmsBackupFailure,
    ::testing::Values(
        TFailingExport{"NoMessageExTable",
                       [](const TTempDirectory& d) {
                         const std::string path = d.File("MDataStore.db3");
                         TMessageDatastore datastore(path);
                         datastore.Execute("DROP TABLE MessageEx; CREATE TABLE Other (x)");
                         return path;
                       },
                       [](const std::string&) {
                         return std::string(
                             "Error reading datastore. Error was: no such table: MessageEx.");
                       }},
        TFailingExport{"NoTypeColumn",
                       [](const TTempDirectory& d) {
                         const std::string path = d.File("MDataStore.db3");
                         TMessageDatastore datastore(path, {"IMEI", "Text"});
                         datastore.Insert({{"IMEI", "356938035643809"}, {"Text", "Hi"}});
                         return path;
                       },
                       [](const std::string&) {
                         return std::string(
                             "Error reading datastore. Error was: no such column: type.");
                       }},
        TFailingExport{"NotADatabase",
                       [](const TTempDirectory& d) {
                         const std::string path = d.File("MDataStore.db3");
                         testing::WriteFileBytes(path, std::string(4096, 'x'));
                         return path;
                       },
                       [](const std::string&) {
                         return std::string(
                             "Error reading datastore. Error was: file is not a database.");
                       }}),
    [](const ::testing::TestParamInfo<TFailingExport>& info) { return info.param.Name; });

TEST(ExportSmsBackup, WithoutTheLibraryShowsTheLoadError) {
  if (!testing::RunningWithoutLibrary()) {
    EXPECT_EQ(testing::RunCurrentTestWithoutLibrary(), 0);
    return;
  }
  TTempDirectory input;
  TTempDirectory output;
  WriteOneSms(input.File("MDataStore.db3"));
  TRecordingMessageBoxes messages;

  const TExportResult result =
      ExportSmsBackup(input.File("MDataStore.db3"), 0, "All Phones", messages, output.Path());

  EXPECT_FALSE(result.Written);
  EXPECT_THAT(messages.Texts(),
              ElementsAre("Error openin datastore. Error was: Failed to load DLL library."));
  EXPECT_TRUE(FileNamesIn(output.Path()).empty());
}

TEST(ExportSmsBackup, BareFileNameIsLookedForInTheProgramDirectoryNotTheCurrentOne) {
  TTempDirectory directory;
  TTempDirectory output;
  const std::string name = "velmorra-export-only-in-the-current-directory.db3";
  WriteOneSms(directory.File(name));
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(directory.Path());
  TRecordingMessageBoxes messages;

  const TExportResult result = ExportSmsBackup(name, 0, "All Phones", messages, output.Path());

  std::filesystem::current_path(previous);
  EXPECT_FALSE(result.Written);
  EXPECT_THAT(messages.Texts(), ElementsAre("Datastore file doesn't exist."));
  EXPECT_FALSE(std::filesystem::exists(ProgramDirectory() + name));
}

TEST(ExportSmsBackup, PhoneTextCannotSteerTheFileElsewhere) {
  TTempDirectory input;
  TTempDirectory output;
  const std::string path = input.File("MDataStore.db3");
  const std::string phone = "../x/y\\z:*?\"<>|\t";
  WriteOneSms(path, phone);
  TRecordingMessageBoxes messages;

  const TExportResult result = ExportSmsBackup(path, 1, phone, messages, output.Path());

  EXPECT_TRUE(messages.Shown.empty());
  ASSERT_TRUE(result.Written);
  EXPECT_THAT(result.FileName, ::testing::StartsWith(output.File("sms_.._x_y_z________")));
  EXPECT_EQ(result.MessageCount, 1) << "the query still uses the stored text";
  EXPECT_THAT(FileNamesIn(output.Path()), ElementsAre(result.FileName.substr(output.Path().size())));
}

// The value of the first attribute `name` in `xml`; empty when there is none.
std::string AttributeValue(const std::string& xml, const std::string& name) {
  const size_t start = xml.find(" " + name + "=\"");
  if (start == std::string::npos)
    return "";
  const size_t value = start + name.size() + 3;
  return xml.substr(value, xml.find('"', value) - value);
}

// Byte strings in the three encodings a datastore may keep its text in: X'…' literals.
struct TEncodedText {
  const char* Encoding;
  const char* LoneSurrogateImei;  // "A", U+D83D alone, "B"
  const char* LoneSurrogateText;  // "A", U+D83D alone, "BC", U+1F600, "D"
};

const std::vector<TEncodedText> kEncodedTexts = {
    {"UTF-8", "41EDA0BD42", "41EDA0BD4243F09F988044"},
    {"UTF-16le", "41003DD84200", "41003DD8420043003DD800DE4400"},
    {"UTF-16be", "0041D83D0042", "0041D83D00420043D83DDE000044"},
};

void PrintTo(const TEncodedText& encoded, std::ostream* out) {
  *out << encoded.Encoding;
}

// A datastore that keeps its text in the encoding of the case.
class EncodedDatastore : public ::testing::TestWithParam<TEncodedText> {
 protected:
  TMessageDatastore Datastore() {
    return TMessageDatastore(path_, testing::SampleMessageColumns(), GetParam().Encoding);
  }
  // The SQL of a text value made of the bytes `hex`, which the database takes in its encoding.
  static std::string TextOfBytes(const char* hex) {
    return "CAST(X'" + std::string(hex) + "' AS TEXT)";
  }

  TTempDirectory input_;
  TTempDirectory output_;
  std::string path_ = input_.File("MDataStore.db3");
};

INSTANTIATE_TEST_SUITE_P(Encodings, EncodedDatastore, ::testing::ValuesIn(kEncodedTexts));

// Every phone that the phone list shows exports its own messages into a file of its own,
// whatever bytes its IMEI holds.
TEST_P(EncodedDatastore, EveryListedPhoneExportsItsOwnMessagesIntoAFileOfItsOwn) {
  using testing::TStoredValue;
  const std::vector<TStoredValue> imeis = {"356938035643809",
                                           "a/b",
                                           "a\\b",
                                           "a_b",
                                           "a\nb",
                                           "a\rb",
                                           "All Phones",
                                           std::string("a\0b", 3),
                                           "a\xFF"
                                           "b",
                                           TStoredValue::Blob(std::string("x\0y", 3)),
                                           42,
                                           nullptr};
  {
    TMessageDatastore datastore = Datastore();
    for (size_t i = 0; i < imeis.size(); ++i) {
      datastore.Insert(
          {{"type", "SMS"}, {"IMEI", imeis[i]}, {"Text", "message " + std::to_string(i)}});
    }
    datastore.Execute("INSERT INTO MessageEx (type, IMEI, Text) VALUES ('SMS', " +
                      TextOfBytes(GetParam().LoneSurrogateImei) + ", 'lone')");
  }
  TRecordingMessageBoxes messages;
  testing::TFakePhoneList phones;
  ASSERT_TRUE(RefreshPhoneList(path_, phones, messages).Replaced);
  ASSERT_EQ(phones.ItemCount(), static_cast<int>(imeis.size()) + 2);

  std::set<std::string> bodies;
  for (int i = 1; i < phones.ItemCount(); ++i) {
    const TExportResult result =
        ExportSmsBackup(path_, i, phones.Item(i), messages, output_.Path());
    ASSERT_TRUE(result.Written) << i << ": " << ::testing::PrintToString(messages.Texts());
    EXPECT_EQ(result.MessageCount, 1) << i;
    bodies.insert(AttributeValue(testing::ReadFileBytes(result.FileName), "body"));
  }
  EXPECT_EQ(bodies.size(), imeis.size() + 1) << "each phone's own message";
  EXPECT_EQ(FileNamesIn(output_.Path()).size(), imeis.size() + 1) << "no file replaced another";
}

// SQLite's own UTF-8 of UTF-16 text takes the unit after a lone surrogate for its pair; the
// export reads UTF-16 text as UTF-16.
TEST_P(EncodedDatastore, LoneSurrogateBecomesTheReplacementCharacterAndTheNextOneSurvives) {
  const std::string text = TextOfBytes(GetParam().LoneSurrogateText);
  Datastore().Execute("INSERT INTO MessageEx (type, Sender, Text) VALUES ('SMS', " + text + ", " +
                      text + ")");
  TRecordingMessageBoxes messages;

  const TExportResult result = ExportSmsBackup(path_, 0, "All Phones", messages, output_.Path());

  ASSERT_TRUE(result.Written);
  const std::string xml = testing::ReadFileBytes(result.FileName);
  // In a UTF-8 datastore the encoded surrogate is no UTF-8: each of its bytes is kept as the
  // Windows-1252 character of that number.
  const std::string expected = GetParam().Encoding == std::string("UTF-8")
                                   ? "A\xC3\xAD\xC2\xA0\xC2\xBD"
                                     "BC\xF0\x9F\x98\x80"
                                     "D"
                                   : "A\xEF\xBF\xBD"
                                     "BC\xF0\x9F\x98\x80"
                                     "D";
  EXPECT_EQ(AttributeValue(xml, "body"), expected);
  EXPECT_EQ(AttributeValue(xml, "address"), expected);
}

TEST(ExportSmsBackup, FileThatCannotBeCreatedRaisesAndKeepsTheEarlierFile) {
  TTempDirectory input;
  TTempDirectory output;
  const std::string path = input.File("MDataStore.db3");
  WriteOneSms(path);
  TRecordingMessageBoxes messages;

  EXPECT_THROW(ExportSmsBackup(path, 0, "All Phones", messages, output.File("missing/")),
               EFileCreateError);

  // A directory in the file's place cannot be replaced either; it stays as it was.
  std::filesystem::create_directory(output.File("sms_All Phones.xml"));
  try {
    ExportSmsBackup(path, 0, "All Phones", messages, output.Path());
    ADD_FAILURE() << "the save should have failed";
  } catch (const EFileCreateError& error) {
    EXPECT_THAT(error.what(), HasSubstr("sms_All Phones.xml"));
  } catch (const EFileWriteError& error) {
    EXPECT_THAT(error.what(), HasSubstr("sms_All Phones.xml"));
  }
  EXPECT_TRUE(std::filesystem::is_directory(output.File("sms_All Phones.xml")));
  EXPECT_TRUE(messages.Shown.empty());
}

// The datastore, and where the backup would go is the same file as it or as one of its logs.
struct TBackupOverDatastore {
  const char* Name;
  // Makes the datastore and returns its path; `output` then holds "sms_All Phones.xml".
  std::string (*Make)(const TTempDirectory& input, const TTempDirectory& output);
};

std::string DatastoreWithLogLinkedAsBackup(const TTempDirectory& input,
                                           const TTempDirectory& output, const char* log) {
  const std::string path = input.File("MDataStore.db3");
  WriteOneSms(path);
  testing::WriteFileBytes(path + log, "");
  std::filesystem::create_hard_link(testing::Utf8Path(path + log),
                                    testing::Utf8Path(output.File("sms_All Phones.xml")));
  return path;
}

TEST(ExportSmsBackup, BackupThatWouldReplaceTheDatastoreOrItsLogIsRefused) {
  const std::vector<TBackupOverDatastore> cases = {
      {"the datastore named like the backup",
       [](const TTempDirectory&, const TTempDirectory& output) {
         WriteOneSms(output.File("sms_All Phones.xml"));
         return output.File("sms_All Phones.xml");
       }},
      {"its journal under the backup's name",
       [](const TTempDirectory& input, const TTempDirectory& output) {
         return DatastoreWithLogLinkedAsBackup(input, output, "-journal");
       }},
      {"its log under the backup's name",
       [](const TTempDirectory& input, const TTempDirectory& output) {
         return DatastoreWithLogLinkedAsBackup(input, output, "-wal");
       }},
  };
  for (const TBackupOverDatastore& row : cases) {
    SCOPED_TRACE(row.Name);
    TTempDirectory input;
    TTempDirectory output;
    const std::string path = row.Make(input, output);
    const std::string before = testing::ReadFileBytes(output.File("sms_All Phones.xml"));
    TRecordingMessageBoxes messages;
    try {
      ExportSmsBackup(path, 0, "All Phones", messages, output.Path());
      ADD_FAILURE() << "the backup was not refused";
    } catch (const EFileCreateError& error) {
      EXPECT_EQ(error.what(), "Cannot create file \"" + output.File("sms_All Phones.xml") +
                                  "\". It is the datastore itself or one of its logs, which are "
                                  "only ever read; choose another folder for the backup.");
    }
    EXPECT_EQ(testing::ReadFileBytes(output.File("sms_All Phones.xml")), before);
    EXPECT_THAT(FileNamesIn(output.Path()), ElementsAre("sms_All Phones.xml"));
  }
}

// Holds an exclusive lock on a datastore, as the Ovi software does while it syncs a phone.
class TLockHolder {
 public:
  explicit TLockHolder(const std::string& path) {
    sqlite3_open(path.c_str(), &db_);
    sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
  }
  ~TLockHolder() { sqlite3_close(db_); }
  void Release() { sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_ = nullptr;
};

TEST(ExportSmsBackup, WaitsForALockThatIsReleased) {
  TTempDirectory input;
  TTempDirectory output;
  const std::string path = input.File("MDataStore.db3");
  WriteOneSms(path);
  TLockHolder lock(path);
  std::thread releaser([&lock] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    lock.Release();
  });
  TRecordingMessageBoxes messages;

  const TExportResult result = ExportSmsBackup(path, 0, "All Phones", messages, output.Path());

  releaser.join();
  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_TRUE(result.Written);
  EXPECT_EQ(result.MessageCount, 1);
}

TEST(ExportSmsBackup, DatastoreLockedBeyondTheWaitIsAnErrorNotAnEmptyBackup) {
  TTempDirectory input;
  TTempDirectory output;
  const std::string path = input.File("MDataStore.db3");
  WriteOneSms(path);
  TLockHolder lock(path);
  TRecordingMessageBoxes messages;

  const TExportResult result = ExportSmsBackup(path, 0, "All Phones", messages, output.Path());

  EXPECT_FALSE(result.Written);
  EXPECT_THAT(messages.Texts(),
              ElementsAre("Error reading datastore. Error was: database is locked."));
  EXPECT_TRUE(FileNamesIn(output.Path()).empty());
}

}  // namespace
}  // namespace velmorra
