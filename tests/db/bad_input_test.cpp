#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "db/lite3_db.h"
#include "platform/text_encoding.h"
#include "support/sqlite_fixture.h"
#include "support/temp_directory.h"

// Whatever file the user points at, the layer answers with an error code and leaves the file as
// it was.

namespace velmorra {
namespace {

using testing::ReadFileBytes;
using testing::TTempDirectory;
using testing::WriteFileBytes;

std::string MessageDatabaseBytes(const TTempDirectory& directory) {
  const std::string path = directory.File("source.db3");
  std::string sql =
      "PRAGMA page_size = 1024;"
      "CREATE TABLE Filler (x);"
      "CREATE TABLE MessageEx (type TEXT, IMEI TEXT, Text TEXT);";
  for (int i = 0; i < 100; ++i) {
    sql +=
        "INSERT INTO MessageEx VALUES ('SMS', '3501', '" + std::string(200, 'a' + i % 26) + "');";
  }
  EXPECT_TRUE(testing::CreateSqliteDatabase(path, sql));
  const std::string bytes = ReadFileBytes(path);
  std::filesystem::remove(path);
  return bytes;
}

struct TBadInput {
  const char* name;
  // Makes the input at the given path.
  std::function<void(const std::string&)> make;
  bool open_result;
  int open_error;
  int query_error;
  std::string query_message;
};

TEST(BadInputTest, EveryInputEndsInAnErrorCodeAndStaysUnchanged) {
  TTempDirectory directory;
  const std::string database = MessageDatabaseBytes(directory);
  ASSERT_GT(database.size(), 10000u);

  const std::vector<TBadInput> inputs = {
      {"directory", [](const std::string& path) { std::filesystem::create_directory(path); }, false,
       -2, -1, ""},
      {"empty file", [](const std::string& path) { WriteFileBytes(path, ""); }, true, 0, 1,
       "no such table: MessageEx"},
      {"text file",
       [](const std::string& path) { WriteFileBytes(path, "Nokia Ovi Suite\r\nnot a database"); },
       true, 0, 26, "file is not a database"},
      // A file cut short is refused before anything reads it: the library would read a tail cut
      // inside a page as zeros and lose the messages there without an error.
      {"cut at a page boundary",
       [&](const std::string& path) { WriteFileBytes(path, database.substr(0, 5 * 1024)); }, false,
       -4, -1, ""},
      {"cut inside the last page",
       [&](const std::string& path) {
         WriteFileBytes(path, database.substr(0, database.size() - 100));
       },
       false, -4, -1, ""},
      {"cut short beside the empty journal of a finished change",
       [&](const std::string& path) {
         WriteFileBytes(path, database.substr(0, 5 * 1024));
         WriteFileBytes(path + "-journal", "");
       },
       false, -4, -1, ""},
      {"cut inside the header",
       [&](const std::string& path) { WriteFileBytes(path, database.substr(0, 40)); }, false, -4,
       -1, ""},
      {"header without a valid page size",
       [&](const std::string& path) {
         WriteFileBytes(path, database.substr(0, 16) + "\x03" + database.substr(17));
       },
       false, -4, -1, ""},
      {"database without MessageEx",
       [](const std::string& path) {
         testing::CreateSqliteDatabase(path, "CREATE TABLE Contacts (Name TEXT);");
       },
       true, 0, 1, "no such table: MessageEx"},
  };
  for (const TBadInput& input : inputs) {
    SCOPED_TRACE(input.name);
    const std::string path = directory.File(std::string(input.name) + ".db3");
    input.make(path);
    const std::string before = std::filesystem::is_directory(path) ? "" : ReadFileBytes(path);
    const bool journal = std::filesystem::exists(path + "-journal");

    TLite3Db db;
    db.LibraryPath = testing::ProductSqliteLibraryPath();
    EXPECT_EQ(db.Open(path), input.open_result);
    EXPECT_EQ(db.ErrorCode, input.open_error) << db.ErrorMessage;
    auto* rs = new TLite3ResultSet(db);
    EXPECT_FALSE(rs->QueryFmt("SELECT * FROM MessageEx WHERE type = %s", {"SMS"}));
    if (input.open_result) {
      EXPECT_EQ(rs->ErrorCode, input.query_error);
      EXPECT_EQ(rs->ErrorMessage, input.query_message);
    } else {
      EXPECT_NE(rs->ErrorCode, 0);
    }
    if (input.open_error == -4) {
      EXPECT_EQ(db.ErrorMessage.rfind("The datastore is damaged: ", 0), 0u) << db.ErrorMessage;
      EXPECT_EQ(db.Handle, nullptr);
    }
    EXPECT_EQ(rs->RowCount(), 0);
    db.Close();

    if (!std::filesystem::is_directory(path)) {
      EXPECT_EQ(ReadFileBytes(path), before);
    }
    EXPECT_EQ(std::filesystem::exists(path + "-journal"), journal);
  }
}

// A MessageEx table, and SQL that adds 100 messages to it.
constexpr char kMessageTable[] = "CREATE TABLE MessageEx (type TEXT, IMEI TEXT, Text TEXT);";
constexpr char kHundredRows[] =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
    "INSERT INTO MessageEx SELECT 'SMS', '3501', printf('%0200d', i) FROM n;";

// Records in the header one page more than the file holds.
void CountOnePageMore(std::string& bytes) {
  const size_t page_size = (static_cast<unsigned char>(bytes[16]) << 8) |  // big-endian
                           static_cast<unsigned char>(bytes[17]);
  const size_t count = bytes.size() / page_size + 1;
  for (int i = 0; i < 4; ++i)
    bytes[28 + i] = static_cast<char>(count >> (24 - 8 * i));
}

struct TLengthCase {
  const char* name;
  std::function<void(std::string& bytes)> change;  // of the datastore's main file
  bool wal;                                        // with a log holding 100 rows more
  int rows;                                        // -1: refused as damaged
};

TEST(BadInputTest, LengthIsCheckedAgainstAValidPageCount) {
  TTempDirectory directory;
  const std::vector<TLengthCase> cases = {
      {"stray bytes after the last page", [](std::string& bytes) { bytes += "stray"; }, false, 100},
      {"stray bytes without a valid page count",
       [](std::string& bytes) {
         bytes[95] ^= 1;  // the version-valid-for number no longer matches the change counter
         bytes += "stray";
       },
       false, -1},
      {"a page short beside a log that may hold it", CountOnePageMore, true, 200},
      {"a page short without a log", CountOnePageMore, false, -1},
  };
  for (const TLengthCase& row : cases) {
    SCOPED_TRACE(row.name);
    const std::string path = directory.File(std::string(row.name) + ".db3");
    const std::string rows = kHundredRows;
    if (row.wal) {
      ASSERT_TRUE(testing::CreateWalDatabaseWithChangesInTheLog(path, kMessageTable + rows, rows));
    } else {
      ASSERT_TRUE(testing::CreateSqliteDatabase(path, kMessageTable + rows));
    }
    std::string bytes = ReadFileBytes(path);
    row.change(bytes);
    WriteFileBytes(path, bytes);

    TLite3Db db;
    db.LibraryPath = testing::ProductSqliteLibraryPath();
    db.Open(path);
    auto* rs = db.NewResultSet();
    if (row.rows < 0) {
      EXPECT_EQ(db.ErrorCode, -4) << db.ErrorMessage;
      continue;
    }
    EXPECT_EQ(db.ErrorCode, 0) << db.ErrorMessage;
    ASSERT_TRUE(rs->Query("SELECT count(*) FROM MessageEx")) << rs->ErrorMessage;
    EXPECT_EQ(rs->Rows(0).Cells(0).AsInteger(), row.rows);
  }
}

#ifdef VELMORRA_LINK_FIXTURE
// The library reads the logs beside the file a link leads to (here a link that CTest made, as
// Wine cannot): the datastore is read with the rows of its log.
TEST(BadInputTest, DatastoreReachedThroughALinkIsReadWithItsLog) {
  const std::string folder = VELMORRA_LINK_FIXTURE;
  std::filesystem::create_directory(folder + "real");
  ASSERT_TRUE(testing::CreateWalDatabaseWithChangesInTheLog(
      folder + "real/MDataStore.db3", kMessageTable + std::string(kHundredRows), kHundredRows));

  TLite3Db db;
  db.LibraryPath = testing::ProductSqliteLibraryPath();
  EXPECT_TRUE(db.Open(folder + "link.db3")) << db.ErrorMessage;
  auto* rs = db.NewResultSet();
  ASSERT_TRUE(rs->Query("SELECT count(*) FROM MessageEx")) << rs->ErrorMessage;
  EXPECT_EQ(rs->Rows(0).Cells(0).AsInteger(), 200);
}
#endif

TEST(BadInputTest, PathWithSpacesAndNonAsciiLetters) {
  TTempDirectory directory;
  const std::string folder = directory.File("Nokia Daten Ä ß 日本");
  std::filesystem::create_directory(folder);
  const std::string path = folder + "/MDataStore ü.db3";
  ASSERT_TRUE(testing::CreateSqliteDatabase(path,
                                            "CREATE TABLE MessageEx (type TEXT, Text TEXT);"
                                            "INSERT INTO MessageEx VALUES ('SMS', 'hei');"));
  const std::string before = ReadFileBytes(path);

  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "OpenW" : "Open");
    TLite3Db db;
    db.LibraryPath = testing::ProductSqliteLibraryPath();
    ASSERT_TRUE(wide ? db.OpenW(Utf8ToUtf16(path)) : db.Open(path)) << db.ErrorMessage;
    auto* rs = new TLite3ResultSet(db);
    ASSERT_TRUE(rs->QueryFmt("SELECT * FROM MessageEx WHERE type = %s", {"SMS"}));
    ASSERT_EQ(rs->RowCount(), 1);
    EXPECT_EQ(rs->Rows(0).CellByName("text").AsString, "hei");
  }
  EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace
}  // namespace velmorra
