#include "export/sms_backup_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <climits>
#include <filesystem>
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

std::vector<std::string> FilesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
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
  EXPECT_THAT(FilesIn(output.Path()), ElementsAre("sms_All Phones.xml"));
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
  EXPECT_TRUE(FilesIn(output.Path()).empty());
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
  EXPECT_EQ(result.FileName, output.File("sms_.._x_y_z________.xml"));
  EXPECT_EQ(result.MessageCount, 1) << "the query still uses the stored text";
  EXPECT_THAT(FilesIn(output.Path()), ElementsAre("sms_.._x_y_z________.xml"));
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
  EXPECT_TRUE(FilesIn(output.Path()).empty());
}

}  // namespace
}  // namespace velmorra
