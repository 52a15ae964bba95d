#include "export/phone_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "export/phone_match.h"
#include "export/sms_backup_export.h"
#include "export_test_doubles.h"
#include "platform/program_directory.h"
#include "support/message_datastore.h"
#include "support/temp_directory.h"
#include "without_library.h"

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using testing::TFakePhoneList;
using testing::TMessageDatastore;
using testing::TRecordingMessageBoxes;
using testing::TTempDirectory;

const std::vector<std::string> kEarlierItems = {"All Phones", "111111111111111", "222222222222222"};

// A datastore with SMS rows of the given phones (one row each) in the sample's shape.
void WriteSmsOfPhones(const std::string& path, const std::vector<testing::TStoredValue>& imeis) {
  TMessageDatastore datastore(path);
  for (const testing::TStoredValue& imei : imeis) {
    datastore.Insert({{"IMEI", imei},
                      {"type", "SMS"},
                      {"Sender", "+447700900123"},
                      {"SentReceivedTimestamp", 40179.5},
                      {"Status", 0},
                      {"Text", "Hi"}});
  }
}

// A path longer than the SQLite library accepts: the file exists, the library cannot open it.
// The datastore is written under a short name and moved there.
std::string UnopenableDatastore(const TTempDirectory& directory) {
  const std::string short_path = directory.File("short.db3");
  WriteSmsOfPhones(short_path, {"356938035643809"});
  std::string path = directory.Path();
  for (int i = 0; i < 12; ++i)
    path += std::string(60, 'd') + "/";
  std::filesystem::create_directories(path);
  path += "MDataStore.db3";
  std::filesystem::rename(short_path, path);
  return path;
}

TEST(RefreshPhoneList, ListsAllPhonesThenEachPhoneWithTextMessages) {
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  WriteSmsOfPhones(path, {"356938035643809", "352099001761481", "356938035643809"});
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_THAT(list.Items, ElementsAre("All Phones", "352099001761481", "356938035643809"));
  EXPECT_EQ(list.Index, 0);
}

TEST(RefreshPhoneList, OnePhoneGivesTwoItemsWithAllPhonesSelected) {
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  WriteSmsOfPhones(path, {"356938035643809", "356938035643809"});
  TFakePhoneList list(kEarlierItems, 2);
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_THAT(list.Items, ElementsAre("All Phones", "356938035643809"));
  EXPECT_EQ(list.Index, 0);
  EXPECT_EQ(list.Text(), "All Phones");
}

TEST(RefreshPhoneList, NullImeiIsAnItemWithAnEmptyCaption) {
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  WriteSmsOfPhones(path, {"356938035643809", nullptr});
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_THAT(list.Items, ElementsAre("All Phones", "", "356938035643809"));
}

TEST(RefreshPhoneList, OtherMessageKindsContributeNoPhone) {
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  {
    TMessageDatastore datastore(path);
    datastore.Insert({{"IMEI", "111111111111111"}, {"type", "MMS"}});
    datastore.Insert({{"IMEI", "222222222222222"}, {"type", "EMAIL"}});
    datastore.Insert({{"IMEI", "333333333333333"}, {"type", "sms"}});
    datastore.Insert({{"IMEI", "444444444444444"}, {"type", "SMS"}});
  }
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_THAT(list.Items, ElementsAre("All Phones", "444444444444444"));
}

TEST(RefreshPhoneList, CaptionIsTheStoredValueAsTheDatabaseRendersIt) {
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  {
    TMessageDatastore datastore(path, {"type", "IMEI"});
    datastore.Insert({{"type", "SMS"}, {"IMEI", int64_t{356938035643809}}});
    datastore.Insert({{"type", "SMS"}, {"IMEI", "O'Brien phone"}});
  }
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_THAT(list.Items, ElementsAre("All Phones", "356938035643809", "O'Brien phone"));
}

TEST(RefreshPhoneList, EveryListedPhoneExportsExactlyItsMessagesHoweverItsImeiIsStored) {
  const std::string kNotUtf8 = "\x33\x35\xff\x31";
  struct TStoredImei {
    testing::TStoredValue Imei;
    std::string Caption;  // the phone it belongs to
  };
  const std::vector<TStoredImei> table = {
      {nullptr, ""},
      {"", ""},
      {int64_t{356938035643809}, "356938035643809"},
      {"356938035643809", "356938035643809"},
      {1.5, "1.5"},
      {testing::TStoredValue::Blob(kNotUtf8), kNotUtf8},
      {kNotUtf8, kNotUtf8},
      {testing::TStoredValue::Blob("490154203237518"), "490154203237518"},
      {"O'Brien", "O'Brien"},
  };
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  std::map<std::string, int> expected;
  {
    TMessageDatastore datastore(path, {"type", "IMEI", "Text"});
    for (const TStoredImei& row : table) {
      datastore.Insert({{"type", "SMS"}, {"IMEI", row.Imei}, {"Text", "Hi"}});
      ++expected[row.Caption];
    }
  }
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_EQ(list.ItemCount(), static_cast<int>(expected.size()) + 1) << "each phone listed once";
  std::map<std::string, int> exported;
  for (int i = 1; i < list.ItemCount(); ++i) {
    const TExportResult result = ExportSmsBackup(path, i, list.Item(i), messages, directory.Path());
    exported[list.Item(i)] = result.MessageCount;
  }
  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_EQ(exported, expected);
}

// One rule of how a stored IMEI reads as a phone: the IMEI column's declared type and IMEIs that
// the rule decides, stored in the kinds given.
struct TImeiRule {
  const char* Name;
  const char* ColumnType;
  std::vector<testing::TStoredValue> Imeis;
};

void PrintTo(const TImeiRule& rule, std::ostream* out) {
  *out << rule.Name;
}

// The values of `body` in the one backup file in `directory`, in file order; the file is removed.
// The file is found by listing the folder, as a name that is not UTF-8 has no path in UTF-8 on
// Windows.
std::vector<std::string> TakeBodies(const std::string& directory) {
  std::string bytes;
  for (const auto& entry : std::filesystem::directory_iterator(testing::Utf8Path(directory))) {
    if (entry.path().extension() == ".xml") {
      std::ifstream in(entry.path(), std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      in.close();
      std::filesystem::remove(entry.path());
      break;
    }
  }
  std::vector<std::string> bodies;
  for (size_t at = bytes.find(" body=\""); at != std::string::npos;
       at = bytes.find(" body=\"", at + 1)) {
    const size_t start = at + 7;
    bodies.push_back(bytes.substr(start, bytes.find('"', start) - start));
  }
  return bodies;
}

class PhoneQueries
    : public ::testing::TestWithParam<std::tuple<TImeiRule, bool, TTextEncoding>> {};

// The list and each phone's file are exactly what comparing the stored IMEI's bytes on every SMS
// row gives, with or without an index on IMEI, in UTF-8 and in UTF-16: the phones in byte order,
// each with its messages in table order, also where several stored forms read alike.
TEST_P(PhoneQueries, GiveWhatComparingTheStoredImeiOnEveryRowGives) {
  const auto& [rule, indexed, encoding] = GetParam();
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  {
    TMessageDatastore datastore(path, {"type", std::string("IMEI ") + rule.ColumnType, "Text"},
                                encoding == TTextEncoding::Utf8 ? "UTF-8" : "UTF-16le");
    // Two rounds, so that the rows of one phone are not next to each other.
    int row = 0;
    for (int round = 0; round < 2; ++round) {
      for (const testing::TStoredValue& imei : rule.Imeis) {
        datastore.Insert({{"type", "SMS"}, {"IMEI", imei}, {"Text", "m" + std::to_string(++row)}});
        datastore.Insert({{"type", "MMS"}, {"IMEI", imei}, {"Text", "not an SMS"}});
      }
    }
    if (indexed)
      datastore.Execute("CREATE INDEX MessageExByImei ON MessageEx (IMEI, type)");
  }
  std::vector<std::string> phones = {"All Phones"};
  for (const std::string& stored :
       testing::QueryColumn(path, std::string("SELECT ") + kStoredImeiSql +
                                      " FROM MessageEx WHERE type = 'SMS' GROUP BY 1")) {
    phones.push_back(PhoneTextOfStoredImei(stored, encoding));
  }
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  ASSERT_EQ(list.Items, phones);
  for (int i = 1; i < list.ItemCount(); ++i) {
    SCOPED_TRACE("phone " + list.Item(i));
    ExportSmsBackup(path, i, list.Item(i), messages, directory.Path());
    const std::optional<std::string> stored = StoredImeiOfPhoneText(list.Item(i), encoding);
    ASSERT_TRUE(stored);
    std::vector<std::string> bodies;
    for (const std::string& body : testing::QueryColumn(
             path,
             std::string("SELECT Text FROM MessageEx WHERE type = 'SMS' AND ") + kStoredImeiSql +
                 " = ?1",
             {testing::TStoredValue::Blob(*stored)})) {
      bodies.push_back(PhoneTextOfStoredImei(body, encoding));  // the ASCII of "m1", "m2", …
    }
    EXPECT_EQ(TakeBodies(directory.Path()), bodies);
  }
  EXPECT_THAT(messages.Texts(), ElementsAre());
}

using testing::TStoredValue;
INSTANTIATE_TEST_SUITE_P(
    Rules, PhoneQueries,
    ::testing::Combine(
        ::testing::Values(
            TImeiRule{"NullAndEmptyReadAlike", "TEXT", {nullptr, "", "356938035643809"}},
            TImeiRule{"OneOfNullAndEmpty", "TEXT", {nullptr, "356938035643809"}},
            TImeiRule{"ABlobReadsAsItsBytes",
                      "TEXT",
                      {"356938035643809", TStoredValue::Blob("356938035643809"),
                       TStoredValue::Blob("490154203237518"), TStoredValue::Blob("")}},
            TImeiRule{"ZeroBytesAreKept",
                      "TEXT",
                      {std::string("35\0"
                                   "69",
                                   5),
                       std::string("35", 2), TStoredValue::Blob(std::string("\0\0", 2)),
                       std::string(1, '\0')}},
            TImeiRule{"BytesThatAreNotUtf8AreKept",
                      "VARCHAR(20)",
                      {"35\xff"
                       "1",
                       TStoredValue::Blob("\xfe\xff"), "caf\xc3\xa9"}},
            TImeiRule{"QuotesAndBackslashes", "TEXT", {"O'Brien", "a\\b", "x''y", "%s"}},
            TImeiRule{"LoneSurrogates",
                      "TEXT",
                      {"\xed\xa0\x80", "a\xed\xb0\x80", TStoredValue::Blob(std::string("\x00\xd8", 2))}},
            TImeiRule{"NumbersInATextColumnAreText",
                      "TEXT",
                      {int64_t{356938035643809}, 1.5, "356938035643809"}},
            TImeiRule{"NumbersAsTheDatabaseRendersThem",
                      "",
                      {123, "123", 123.0, 1.5, TStoredValue::Blob("123"), nullptr, ""}},
            TImeiRule{"NumbersInANumericColumn", "NUMERIC", {123, "0123", 1.25, "abc", 1e300}},
            TImeiRule{"LetterCaseUnderNocase", "TEXT COLLATE NOCASE", {"abc", "ABC", "aBc"}}),
        ::testing::Bool(), ::testing::Values(TTextEncoding::Utf8, TTextEncoding::Utf16le)),
    [](const ::testing::TestParamInfo<std::tuple<TImeiRule, bool, TTextEncoding>>& info) {
      return std::string(std::get<0>(info.param).Name) + (std::get<1>(info.param) ? "Indexed" : "") +
             (std::get<2>(info.param) == TTextEncoding::Utf8 ? "" : "Utf16");
    });

TEST(RefreshPhoneList, PathsThatAreNotUtf8ReachTheFileSystemUnchanged) {
  const std::vector<std::string> names = {"lat\xe9in1.db3", "\xff\xfe/MDataStore.db3",
                                          "caf\xc3\xa9/MDataStore.db3"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    TTempDirectory directory;
    const std::string path = directory.File(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteSmsOfPhones(path, {"356938035643809"});
    TFakePhoneList list;
    TRecordingMessageBoxes messages;

    RefreshPhoneList(path, list, messages);
    const TExportResult result = ExportSmsBackup(path, 0, "All Phones", messages, directory.Path());

    EXPECT_THAT(messages.Texts(), ElementsAre());
    EXPECT_THAT(list.Items, ElementsAre("All Phones", "356938035643809"));
    EXPECT_EQ(result.MessageCount, 1);
  }
}

TEST(RefreshPhoneList, ListsThePhonesOfTheSampleDatastore) {
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  std::filesystem::copy_file(VELMORRA_SAMPLE_DATASTORE, path);
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_THAT(list.Items, ElementsAre("All Phones", "", "352099001761481", "356938035643809",
                                      "490154203237518"));
}

TEST(RefreshPhoneList, LeavesTheDatastoreByteForByteUnchanged) {
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  std::filesystem::copy_file(VELMORRA_SAMPLE_DATASTORE, path);
  const std::string before = testing::ReadFileBytes(path);
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_EQ(list.ItemCount(), 5);
  EXPECT_EQ(testing::ReadFileBytes(path), before);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "no journal or other file is left next to the datastore";
}

// The rows of the failure table where the refresh ends with a message: the list keeps its items
// and its selection.
struct TFailingRefresh {
  const char* Name;
  std::string (*Path)(const TTempDirectory& directory);
  std::string (*Message)(const std::string& path);
};

void PrintTo(const TFailingRefresh& failure, std::ostream* out) {
  *out << failure.Name;
}

class RefreshPhoneListFailure : public ::testing::TestWithParam<TFailingRefresh> {};

TEST_P(RefreshPhoneListFailure, ShowsTheErrorAndKeepsTheList) {
  TTempDirectory directory;
  const std::string path = GetParam().Path(directory);
  const bool existed = std::filesystem::exists(path);
  TFakePhoneList list(kEarlierItems, 2);
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(messages.Shown[0].first, TMessageBoxKind::Error);
  EXPECT_EQ(messages.Shown[0].second, GetParam().Message(path));
  EXPECT_EQ(list.Items, kEarlierItems);
  EXPECT_EQ(list.Index, 2);
  EXPECT_EQ(std::filesystem::exists(path), existed) << "no database is created";
}

std::string MissingMessage(const std::string&) {
  return "Datastore file doesn't exist.";
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, RefreshPhoneListFailure,
    ::testing::Values(
        TFailingRefresh{"NoFileAtThePath",
                        [](const TTempDirectory& d) { return d.File("MDataStore.db3"); },
                        MissingMessage},
        TFailingRefresh{"NoDatastoreChosen", [](const TTempDirectory&) { return std::string(); },
                        MissingMessage},
        TFailingRefresh{"PathNamesADirectory", [](const TTempDirectory& d) { return d.Path(); },
                        MissingMessage},
        TFailingRefresh{"PathIntoAMissingDirectory",
                        [](const TTempDirectory& d) { return d.File("gone/MDataStore.db3"); },
                        MissingMessage},
        TFailingRefresh{"FileTheLibraryCannotOpen", UnopenableDatastore,
                        [](const std::string& path) {
                          return "Error openin datastore. Error was: Failed to open the "
                                 "database\r\n" +
                                 path + ", ErrorCode: 14.";
                        }}),
    [](const ::testing::TestParamInfo<TFailingRefresh>& info) { return info.param.Name; });

TEST(RefreshPhoneList, WithoutTheLibraryShowsTheLoadErrorAndKeepsTheList) {
  if (!testing::RunningWithoutLibrary()) {
    EXPECT_EQ(testing::RunCurrentTestWithoutLibrary(), 0);
    return;
  }
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  WriteSmsOfPhones(path, {"356938035643809"});
  TFakePhoneList list;
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);
  RefreshPhoneList(path, list, messages);

  EXPECT_THAT(messages.Texts(),
              ElementsAre("Error openin datastore. Error was: Failed to load DLL library.",
                          "Error openin datastore. Error was: Failed to load DLL library."));
  EXPECT_TRUE(list.Items.empty());
  EXPECT_EQ(list.Index, -1);
}

// The rows of the failure table where the refresh succeeds without phones: "All Phones" alone.
struct TDatastoreWithoutPhones {
  const char* Name;
  void (*Write)(const std::string& path);
};

void PrintTo(const TDatastoreWithoutPhones& datastore, std::ostream* out) {
  *out << datastore.Name;
}

class RefreshPhoneListWithoutPhones : public ::testing::TestWithParam<TDatastoreWithoutPhones> {};

TEST_P(RefreshPhoneListWithoutPhones, OffersAllPhonesAloneWithoutAMessage) {
  TTempDirectory directory;
  const std::string path = directory.File("MDataStore.db3");
  GetParam().Write(path);
  TFakePhoneList list(kEarlierItems, 2);
  TRecordingMessageBoxes messages;

  RefreshPhoneList(path, list, messages);

  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_THAT(list.Items, ElementsAre("All Phones"));
  EXPECT_EQ(list.Index, 0);
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, RefreshPhoneListWithoutPhones,
    ::testing::Values(
        TDatastoreWithoutPhones{"NoSmsRows",
                                [](const std::string& path) {
                                  TMessageDatastore datastore(path);
                                  datastore.Insert({{"IMEI", "356938035643809"}, {"type", "MMS"}});
                                }},
        TDatastoreWithoutPhones{"NoMessageExTable",
                                [](const std::string& path) {
                                  TMessageDatastore datastore(path);
                                  datastore.Execute("DROP TABLE MessageEx; CREATE TABLE Other (x)");
                                }},
        TDatastoreWithoutPhones{"NoImeiColumn",
                                [](const std::string& path) {
                                  TMessageDatastore datastore(path, {"type", "Text"});
                                  datastore.Insert({{"type", "SMS"}, {"Text", "Hi"}});
                                }},
        TDatastoreWithoutPhones{"NotADatabase",
                                [](const std::string& path) {
                                  testing::WriteFileBytes(path, "Just some text, not SQLite.\n");
                                }}),
    [](const ::testing::TestParamInfo<TDatastoreWithoutPhones>& info) { return info.param.Name; });

TEST(RefreshPhoneList, BareFileNameIsLookedForInTheProgramDirectoryNotTheCurrentOne) {
  TTempDirectory directory;
  const std::string name = "velmorra-only-in-the-current-directory.db3";
  WriteSmsOfPhones(directory.File(name), {"356938035643809"});
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(directory.Path());
  TFakePhoneList list(kEarlierItems, 1);
  TRecordingMessageBoxes messages;

  RefreshPhoneList(name, list, messages);

  std::filesystem::current_path(previous);
  EXPECT_THAT(messages.Texts(), ElementsAre("Datastore file doesn't exist."));
  EXPECT_EQ(list.Items, kEarlierItems);
  EXPECT_FALSE(std::filesystem::exists(ProgramDirectory() + name));
}

}  // namespace
}  // namespace velmorra
