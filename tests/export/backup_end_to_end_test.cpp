// The SMS backup file read back by a real XML parser, as a phone restoring it would, compared
// attribute by attribute with the rows of the datastore.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "backup_file_reader.h"
#include "db/min_db.h"
#include "export/sms_backup_export.h"
#include "export/timestamp.h"
#include "export_test_doubles.h"
#include "support/message_datastore.h"
#include "support/temp_directory.h"

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using testing::ExpectedMessage;
using testing::ReadBackupFile;
using testing::TAttributes;
using testing::TBackupFile;
using testing::TMessageDatastore;
using testing::TMessageRow;
using testing::TRecordingMessageBoxes;
using testing::TStoredValue;
using testing::TTempDirectory;

// The six columns the export reads, without declared types, so every value keeps exactly the
// storage class and bytes a test gives it.
const std::vector<std::string> kUntypedColumns = {
    "type", "IMEI", "Sender", "SentReceivedTimestamp", "Status", "Text"};

// The date a message without a readable timestamp gets: today's local date at 00:00, counted as
// if it were UTC.
std::string FallbackDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::tm midnight{};
  midnight.tm_year = local.tm_year;
  midnight.tm_mon = local.tm_mon;
  midnight.tm_mday = local.tm_mday;
  return std::to_string(static_cast<int64_t>(timegm(&midnight)) * 1000);
}

TMessageRow Sms(TStoredValue sender, TStoredValue timestamp, TStoredValue status, TStoredValue text,
                TStoredValue imei = "356938035643809") {
  return {{"type", "SMS"},
          {"IMEI", std::move(imei)},
          {"Sender", std::move(sender)},
          {"SentReceivedTimestamp", std::move(timestamp)},
          {"Status", std::move(status)},
          {"Text", std::move(text)}};
}

class BackupEndToEnd : public ::testing::Test {
 protected:
  // Writes `rows` into a datastore of untyped columns.
  void WriteDatastore(const std::vector<TMessageRow>& rows,
                      const std::vector<std::string>& columns = kUntypedColumns) {
    TMessageDatastore datastore(datastore_, columns);
    datastore.Execute("BEGIN");
    for (const TMessageRow& row : rows)
      datastore.Insert(row);
    datastore.Execute("COMMIT");
  }

  // Exports the choice and reads the file back; fails the test when no file was written.
  TBackupFile Export(int phone_index = 0, const std::string& phone_text = "All Phones") {
    result_ = ExportSmsBackup(datastore_, phone_index, phone_text, messages_, output_.Path());
    EXPECT_TRUE(messages_.Shown.empty()) << messages_.Shown.front().second;
    EXPECT_TRUE(result_.Written);
    TBackupFile file = ReadBackupFile(result_.FileName);
    EXPECT_TRUE(file.WellFormed) << file.Error;
    EXPECT_EQ(file.RootName, "smses");
    EXPECT_FALSE(file.HasText);
    EXPECT_EQ(file.RootAttributes, (TAttributes{{"count", std::to_string(file.Messages.size())}}));
    for (const std::string& name : file.MessageNames)
      EXPECT_EQ(name, "sms");
    return file;
  }

  // The value of attribute `name` of every message, in file order.
  static std::vector<std::string> Column(const TBackupFile& file, const std::string& name) {
    std::vector<std::string> values;
    for (const TAttributes& message : file.Messages) {
      for (const auto& [attribute, value] : message) {
        if (attribute == name)
          values.push_back(value);
      }
    }
    return values;
  }

  TTempDirectory input_;
  TTempDirectory output_;
  std::string datastore_ = input_.File("MDataStore.db3");
  TRecordingMessageBoxes messages_;
  TExportResult result_;
};

TEST_F(BackupEndToEnd, WorkedExampleGivesTheElevenAttributesInOrder) {
  WriteDatastore({Sms("5551234", 40179.5, 1, "Hello")});

  const TBackupFile file = Export();

  EXPECT_THAT(file.Messages,
              ElementsAre(ExpectedMessage("5551234", "1262347200000", "2", "Hello")));
  EXPECT_EQ(result_.FileName, output_.File("sms_All Phones.xml"));
  EXPECT_EQ(result_.MessageCount, 1);
}

TEST_F(BackupEndToEnd, SmallFileHasExactlyTheseBytes) {
  WriteDatastore(
      {Sms("5551234", 40179.5, 1, "Hello"), Sms("+447700900123", "40179,5", 2, "Tom & Jerry")});

  Export();

  EXPECT_EQ(testing::ReadFileBytes(output_.File("sms_All Phones.xml")),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<smses count=\"2\">\r\n"
            "  <sms protocol=\"0\" address=\"5551234\" date=\"1262347200000\" type=\"2\" "
            "subject=\"null\" body=\"Hello\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" "
            "read=\"1\" status=\"-1\" />\r\n"
            "  <sms protocol=\"0\" address=\"+447700900123\" date=\"1262347200000\" type=\"1\" "
            "subject=\"null\" body=\"Tom &amp; Jerry\" toa=\"null\" sc_toa=\"null\" "
            "service_center=\"null\" read=\"1\" status=\"-1\" />\r\n"
            "</smses>");
}

TEST_F(BackupEndToEnd, NoMessagesGiveAnEmptySmsesElement) {
  WriteDatastore({{{"type", "MMS"}, {"IMEI", "356938035643809"}, {"Text", "picture"}}});

  const TBackupFile file = Export();

  EXPECT_TRUE(file.Messages.empty());
  EXPECT_EQ(testing::ReadFileBytes(result_.FileName),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<smses count=\"0\" />");
}

TEST_F(BackupEndToEnd, StatusDecidesBetweenSentAndReceived) {
  // Status value as stored, and the type it must give: "2" for odd values (sent), else "1".
  const std::vector<std::pair<TStoredValue, std::string>> cases = {
      {0, "1"},       {1, "2"},           {2, "1"},
      {3, "2"},       {5, "2"},           {-1, "2"},
      {nullptr, "1"}, {"", "1"},          {"sent", "1"},
      {"1.0", "1"},   {1.0, "1"},         {"$3", "2"},
      {"0x10", "1"},  {"$FFFFFFFF", "2"}, {" 7", "2"},
      {"7 ", "1"},    {"+9", "2"},        {int64_t{4294967297}, "1"}};
  std::vector<TMessageRow> rows;
  std::vector<std::string> expected;
  for (const auto& [status, type] : cases) {
    rows.push_back(Sms("5551234", 40179.5, status, "x"));
    expected.push_back(type);
  }
  WriteDatastore(rows);

  EXPECT_EQ(Column(Export(), "type"), expected);
}

TEST_F(BackupEndToEnd, TimestampsStoredAsRealOrTextWithCommaOrFullStop) {
  const std::vector<std::pair<TStoredValue, std::string>> cases = {
      {40179.5, "1262347200000"},   {"40179.5", "1262347200000"},
      {"40179,5", "1262347200000"}, {" 40179.5 ", "1262347200000"},
      {40179, "1262304000000"},     {25569, "0"},
      {0, "-2209161600000"},        {"4.01795E4", "1262347200000"},
      {nullptr, FallbackDate()},    {"", FallbackDate()},
      {"4,0179.5", FallbackDate()}, {"yesterday", FallbackDate()}};
  std::vector<TMessageRow> rows;
  std::vector<std::string> expected;
  for (const auto& [timestamp, date] : cases) {
    rows.push_back(Sms("5551234", timestamp, 0, "x"));
    expected.push_back(date);
  }
  WriteDatastore(rows);

  EXPECT_EQ(Column(Export(), "date"), expected);
}

// The export reads stored numbers as numbers; what it writes must be what the library's own texts
// of them give (a REAL printed with 15 digits, then read back), also where those 15 digits decide
// the second, and for values the text cannot hold (infinity prints as "Inf").
TEST_F(BackupEndToEnd, NumbersGiveWhatTheLibrarysTextsOfThemGive) {
  std::vector<TStoredValue> values = {int64_t{0},
                                      int64_t{40179},
                                      int64_t{-25569},
                                      INT64_MAX,
                                      INT64_MIN,
                                      int64_t{9007199254740993},
                                      1e7,
                                      -1e300,
                                      1e300,
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      5e-324,
                                      0.5 / 86400,
                                      40179.0};
  for (int i = 0; i < 150; ++i) {
    // Whole seconds, half seconds and values a hair beside a half second, where the 15 digits
    // round one way or the other.
    const double second = 40179 + (i * 7919 % 86400) / 86400.0;
    values.push_back(second);
    values.push_back(second + 0.5 / 86400);
    values.push_back(std::nextafter(second + 0.5 / 86400, 0.0));
    values.push_back(second + (0.5 + (i % 40 - 20) * 1e-6) / 86400);
  }
  std::vector<TMessageRow> rows;
  for (size_t i = 0; i < values.size(); ++i) {
    // Sender and Text stored as numbers too: their texts are the library's.
    rows.push_back(Sms(static_cast<int64_t>(i) * 1000003, values[i], values[i], values[i]));
  }
  WriteDatastore(rows);

  const TBackupFile file = Export();

  std::vector<std::string> dates;
  std::vector<std::string> addresses;
  std::vector<std::string> bodies;
  std::vector<std::string> types;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(datastore_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  ASSERT_EQ(
      sqlite3_prepare_v2(db,
                         "SELECT CAST(SentReceivedTimestamp AS TEXT), CAST(Sender AS TEXT), "
                         "CAST(Text AS TEXT), CAST(Status AS TEXT) FROM MessageEx ORDER BY rowid",
                         -1, &statement, nullptr),
      SQLITE_OK);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const auto text = [&](int column) {
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
    };
    dates.push_back(std::to_string(TimestampToUnixMillis(text(0))));
    addresses.push_back(text(1));
    bodies.push_back(text(2));
    types.push_back(IsSentStatus(TextAsInteger(text(3))) ? "2" : "1");
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  EXPECT_EQ(Column(file, "date"), dates);
  EXPECT_EQ(Column(file, "address"), addresses);
  EXPECT_EQ(Column(file, "body"), bodies);
  EXPECT_EQ(Column(file, "type"), types);
}

// Rows reach the builder in batches of at most 512 rows and 256 KiB: row counts on either side of
// a batch's rows, and rows long enough to end batches by their bytes, are each written once, in
// order, and counted.
TEST_F(BackupEndToEnd, EveryRowOfEveryBatchIsWrittenOnceInOrderAndCounted) {
  const std::vector<std::pair<int, size_t>> shapes = {{511, 1},  {512, 1},  {513, 1},
                                                      {1024, 1}, {1537, 1}, {300, 3000}};
  for (const auto& [rows, body_bytes] : shapes) {
    SCOPED_TRACE(rows);
    std::vector<TMessageRow> messages;
    std::vector<std::string> bodies;
    for (int i = 0; i < rows; ++i) {
      bodies.push_back(std::to_string(i) + std::string(body_bytes, 'x'));
      messages.push_back(Sms("5551234", 40179.5, 0, bodies.back()));
    }
    WriteDatastore(messages);
    const TBackupFile file = Export();
    EXPECT_EQ(result_.MessageCount, rows);
    EXPECT_EQ(Column(file, "body"), bodies);
  }
}

TEST_F(BackupEndToEnd, NullsAndMissingColumnsGiveEmptyValues) {
  WriteDatastore({Sms(nullptr, nullptr, nullptr, nullptr)});
  TBackupFile with_nulls = Export();
  WriteDatastore({{{"type", "SMS"}, {"IMEI", "356938035643809"}}}, {"type", "IMEI"});
  TBackupFile without_columns = Export();

  const TAttributes expected = ExpectedMessage("", FallbackDate(), "1", "");
  EXPECT_THAT(with_nulls.Messages, ElementsAre(expected));
  EXPECT_THAT(without_columns.Messages, ElementsAre(expected));
}

TEST_F(BackupEndToEnd, ColumnsAreFoundWhateverTheirLetterCase) {
  WriteDatastore({{{"TYPE", "SMS"},
                   {"imei", "356938035643809"},
                   {"sender", "5551234"},
                   {"sentreceivedtimestamp", 40179.5},
                   {"STATUS", 1},
                   {"text", "Hello"}}},
                 {"TYPE", "imei", "sender", "sentreceivedtimestamp", "STATUS", "text"});

  EXPECT_THAT(Export().Messages,
              ElementsAre(ExpectedMessage("5551234", "1262347200000", "2", "Hello")));
}

TEST_F(BackupEndToEnd, AllPhonesExportsEverySmsWhateverItsImei) {
  WriteDatastore({Sms("1", 40179.5, 0, "first", "356938035643809"),
                  Sms("2", 40179.5, 0, "second", "352099001761481"),
                  Sms("3", 40179.5, 0, "third", nullptr),
                  Sms("4", 40179.5, 0, "fourth", ""),
                  {{"type", "MMS"}, {"IMEI", "356938035643809"}, {"Text", "picture"}},
                  {{"type", "sms"}, {"IMEI", "356938035643809"}, {"Text", "lower case kind"}}});

  EXPECT_THAT(Column(Export(), "body"), ElementsAre("first", "second", "third", "fourth"));
}

TEST_F(BackupEndToEnd, OnePhoneExportsOnlyItsSms) {
  WriteDatastore({Sms("1", 40179.5, 0, "mine", "356938035643809"),
                  Sms("2", 40179.5, 0, "other phone", "352099001761481"),
                  {{"type", "MMS"}, {"IMEI", "356938035643809"}, {"Text", "picture"}},
                  Sms("3", 40179.5, 0, "mine too", "356938035643809")});

  const TBackupFile file = Export(2, "356938035643809");

  EXPECT_THAT(Column(file, "body"), ElementsAre("mine", "mine too"));
  EXPECT_EQ(result_.FileName, output_.File("sms_356938035643809.xml"));
}

TEST_F(BackupEndToEnd, PhoneTextWithASingleQuoteMatchesTheStoredText) {
  WriteDatastore({Sms("1", 40179.5, 0, "quoted", "O'Brien's phone"),
                  Sms("2", 40179.5, 0, "other", "OBriens phone")});

  const TBackupFile file = Export(1, "O'Brien's phone");

  EXPECT_THAT(Column(file, "body"), ElementsAre("quoted"));
  EXPECT_EQ(result_.FileName, output_.File("sms_O'Brien's phone.xml"));
}

TEST_F(BackupEndToEnd, EmptyPhoneTextMatchesEmptyAndNullImeisAndWritesSmsDotXml) {
  WriteDatastore({Sms("1", 40179.5, 0, "empty imei", ""),
                  Sms("2", 40179.5, 0, "null imei", nullptr),
                  Sms("3", 40179.5, 0, "a phone", "356938035643809")});

  const TBackupFile file = Export(-1, "");

  EXPECT_THAT(Column(file, "body"), ElementsAre("empty imei", "null imei"));
  EXPECT_EQ(result_.FileName, output_.File("sms_.xml"));
}

TEST_F(BackupEndToEnd, TextOfEveryScriptAndMarkupComesBackUnchanged) {
  const std::vector<std::string> bodies = {
      "Привет! Как дела?",
      "明日の会議は10時からです。",
      "生日快乐！🎂🎉 👍🏽",
      "line one\nline two\r\nline three\rend",
      "tab\tseparated\tvalues",
      "Tom & \"Jerry\" <das 'Original'>",
      "  leading and trailing spaces  ",
      "Grüße, café, Žofie, £4.20, €10",
      "",
  };
  std::vector<TMessageRow> rows;
  for (const std::string& body : bodies)
    rows.push_back(Sms("5551234", 40179.5, 0, body));
  WriteDatastore(rows);

  EXPECT_EQ(Column(Export(), "body"), bodies);
}

TEST_F(BackupEndToEnd, ControlCharactersAreReplacedSoTheFileStaysWellFormed) {
  // A zero byte is one of them: the text goes on after it.
  WriteDatastore({Sms(std::string("555\x01"
                                  "12\0"
                                  "34",
                                  9),
                      40179.5, 0, std::string("bell\x07 escape\x1B end\x1F\0Whole rest", 29))});

  const TBackupFile file = Export();

  EXPECT_THAT(
      Column(file, "body"),
      ElementsAre("bell\xEF\xBF\xBD escape\xEF\xBF\xBD end\xEF\xBF\xBD\xEF\xBF\xBDWhole rest"));
  EXPECT_THAT(Column(file, "address"), ElementsAre("555\xEF\xBF\xBD"
                                                   "12\xEF\xBF\xBD"
                                                   "34"));
}

TEST_F(BackupEndToEnd, BodyThatIsNotUtf8KeepsEveryCharacter) {
  // Stored bytes, and the text the backup must hold: good sequences decoded, every other byte read
  // as Windows-1252.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"caf\xE9 cr\xE8me", "café crème"},
      {"\x80 5", "€ 5"},
      {"\x93quoted\x94", "“quoted”"},
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      {"ok \xC5\xBD then \xC5", "ok Ž then Å"},
      {"\xC0\xAF overlong", "À¯ overlong"},
      {"\xED\xA0\xBD surrogate", "í\xC2\xA0½ surrogate"},
      {"\xF4\x90\x80\x80 too big", "ô\xC2\x90€€ too big"},
      {"emoji \xF0\x9F\x98\x80 then \xF0\x9F\x98", "emoji 😀 then ðŸ˜"},
  };
  std::vector<TMessageRow> rows;
  std::vector<std::string> expected;
  for (const auto& [stored, text] : cases) {
    rows.push_back(Sms("5551234", 40179.5, 0, stored));
    expected.push_back(text);
  }
  WriteDatastore(rows);

  const TBackupFile file = Export();

  EXPECT_EQ(Column(file, "body"), expected);
  EXPECT_EQ(file.Messages.size(), cases.size()) << "no message is dropped";
}

TEST_F(BackupEndToEnd, SenderIsDecodedAsUtf8WithTheSameFallback) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"+447700900123", "+447700900123"},
      {"Mum", "Mum"},
      {"Žofie Nováková", "Žofie Nováková"},
      {"Иван Петров", "Иван Петров"},
      {"李小龍", "李小龍"},
      {"J\xFCrgen Gro\xDF", "Jürgen Groß"},
  };
  std::vector<TMessageRow> rows;
  std::vector<std::string> expected;
  for (const auto& [stored, address] : cases) {
    rows.push_back(Sms(stored, 40179.5, 0, "x"));
    expected.push_back(address);
  }
  WriteDatastore(rows);

  EXPECT_EQ(Column(Export(), "address"), expected);
}

TEST_F(BackupEndToEnd, DatastoreIsByteForByteUnchanged) {
  std::filesystem::copy_file(VELMORRA_SAMPLE_DATASTORE, datastore_);
  const std::string before = testing::ReadFileBytes(datastore_);

  Export();
  Export(1, "356938035643809");

  EXPECT_EQ(testing::ReadFileBytes(datastore_), before);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(input_.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "no journal or other file is left next to the datastore";
}

TEST_F(BackupEndToEnd, SameChoiceConvertedTwiceReplacesTheFirstFile) {
  WriteDatastore({Sms("1", 40179.5, 0, "first")});
  Export();
  WriteDatastore({Sms("1", 40179.5, 0, "first"), Sms("2", 40179.5, 1, "second")});

  const TBackupFile file = Export();

  EXPECT_THAT(Column(file, "body"), ElementsAre("first", "second"));
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(output_.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "one file, nothing left over from the first run";
}

TEST_F(BackupEndToEnd, SampleDatastoreConvertsEverySmsOfEachPhone) {
  std::filesystem::copy_file(VELMORRA_SAMPLE_DATASTORE, datastore_);

  EXPECT_EQ(Export().Messages.size(), 35u);
  EXPECT_EQ(Export(1, "356938035643809").Messages.size(), 18u);
  EXPECT_EQ(Export(2, "352099001761481").Messages.size(), 9u);
  EXPECT_EQ(Export(3, "490154203237518").Messages.size(), 5u);
  EXPECT_EQ(Export(4, "").Messages.size(), 3u) << "the phone listed for NULL IMEIs";
}

}  // namespace
}  // namespace velmorra
