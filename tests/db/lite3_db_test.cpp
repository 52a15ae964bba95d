#include "db/lite3_db.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/private_datastore_copy.h"
#include "db/sqlite_library.h"
#include "platform/file_system.h"
#include "platform/program_directory.h"
#include "support/sqlite_fixture.h"
#include "support/temp_directory.h"

namespace velmorra {
namespace {

using testing::CreateSqliteDatabase;
using testing::ProductSqliteLibraryPath;
using testing::ReadFileBytes;
using testing::TTempDirectory;

const char kSchema[] =
    "CREATE TABLE MessageEx (type TEXT, IMEI TEXT, Sender TEXT, Text TEXT, Status INTEGER);"
    "CREATE INDEX MessageExByImei ON MessageEx (IMEI);"
    "CREATE TABLE Contacts (Name TEXT);"
    "INSERT INTO MessageEx VALUES ('SMS', '3501', '+358401', 'Hello', 1);"
    "INSERT INTO MessageEx VALUES ('SMS', '35''02', 'Anna', 'Grüße', 0);"
    "INSERT INTO MessageEx VALUES ('MMS', '3501', 'Ben', NULL, 0);";

class Lite3DbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = directory_.File("MDataStore.db3");
    ASSERT_TRUE(CreateSqliteDatabase(path_, kSchema));
    db_ = std::make_unique<TLite3Db>();
    db_->LibraryPath = ProductSqliteLibraryPath();
    ASSERT_TRUE(db_->Open(path_)) << db_->ErrorMessage;
    ASSERT_EQ(db_->ErrorCode, 0) << db_->ErrorMessage;
    rs_ = new TLite3ResultSet(*db_);
  }

  // The only value of a one-row, one-column query.
  std::string Scalar(const std::string& sql) {
    EXPECT_TRUE(rs_->Query(sql)) << rs_->ErrorMessage;
    return rs_->Rows(0).Cells(0).AsString;
  }

  TTempDirectory directory_;
  std::string path_;
  std::unique_ptr<TLite3Db> db_;
  TLite3ResultSet* rs_ = nullptr;  // owned by db_
};

// A connection on the empty path: the library's private temporary database, the only one the
// layer writes to, filled with kSchema through the layer itself.
class Lite3ScratchDbTest : public Lite3DbTest {
 protected:
  void SetUp() override {
    db_ = std::make_unique<TLite3Db>();
    db_->LibraryPath = ProductSqliteLibraryPath();
    ASSERT_TRUE(db_->Open(""));
    rs_ = new TLite3ResultSet(*db_);
    const std::string schema = kSchema;
    for (size_t start = 0, end; (end = schema.find(';', start)) != std::string::npos;
         start = end + 1) {
      ASSERT_TRUE(rs_->Query(schema.substr(start, end - start))) << rs_->ErrorMessage;
    }
    db_->RefreshSchema();
  }
};

TEST_F(Lite3DbTest, OpenReadsTheSchemaAndRemembersTheFile) {
  EXPECT_TRUE(db_->LibraryLoaded);
  EXPECT_NE(db_->Handle, nullptr);
  EXPECT_EQ(db_->Tables, (std::vector<std::string>{"Contacts", "MessageEx"}));
  EXPECT_EQ(db_->Indexes, (std::vector<std::string>{"MessageExByImei"}));
  EXPECT_EQ(db_->FileName, std::u16string(path_.begin(), path_.end()));
  EXPECT_EQ(db_->LibraryPath, ProductSqliteLibraryPath());
  EXPECT_EQ(Scalar("PRAGMA temp_store"), "2");
}

TEST_F(Lite3DbTest, QueryFmtReadsTheRowsTheExportAsksFor) {
  EXPECT_TRUE(rs_->QueryFmt("SELECT * FROM MessageEx WHERE type = %s AND IMEI = %s",
                            {TSqlArg::String("SMS"), std::string("35'02")}));
  EXPECT_EQ(rs_->Sql, "SELECT * FROM MessageEx WHERE type = 'SMS' AND IMEI = '35''02'");
  ASSERT_EQ(rs_->RowCount(), 1);
  EXPECT_EQ(rs_->Columns, (std::vector<std::string>{"type", "IMEI", "Sender", "Text", "Status"}));
  TResultRow& row = rs_->Rows(0);
  EXPECT_EQ(row.CellByName("sender").AsString, "Anna");
  EXPECT_EQ(row.CellByName("Text").AsWideString(), u"Grüße");
  EXPECT_EQ(row.CellByName("Status").AsInteger(), 0);
  EXPECT_EQ(row.Fields(), rs_->Columns);
}

TEST_F(Lite3DbTest, QueryKeepsEveryRowInOrder) {
  EXPECT_TRUE(rs_->Query("SELECT Sender, Text FROM MessageEx ORDER BY rowid"));
  ASSERT_EQ(rs_->RowCount(), 3);
  EXPECT_EQ(rs_->ColumnValues(0), (std::vector<std::string>{"+358401", "Anna", "Ben"}));
  EXPECT_EQ(rs_->ColumnValues(1), (std::vector<std::string>{"Hello", "Grüße", ""}));
  EXPECT_TRUE(rs_->Rows(2).Cells(1).IsNull);
  EXPECT_TRUE(rs_->Active);
  EXPECT_EQ(rs_->ErrorCode, 0);
  EXPECT_EQ(rs_->Statement, nullptr);
}

TEST_F(Lite3DbTest, EmptyTextSucceedsWithNothing) {
  ASSERT_TRUE(rs_->Query("SELECT 1"));
  EXPECT_TRUE(rs_->Query(""));
  EXPECT_EQ(rs_->RowCount(), 0);
  EXPECT_TRUE(rs_->Columns.empty());
  EXPECT_TRUE(rs_->QueryW(u""));
  EXPECT_TRUE(rs_->Query("  -- only a comment"));
  EXPECT_EQ(rs_->RowCount(), 0);
}

TEST_F(Lite3DbTest, SelectMatchingNothingKeepsTheColumnNames) {
  EXPECT_TRUE(rs_->Query("SELECT IMEI, Sender FROM MessageEx WHERE type = 'none'"));
  EXPECT_EQ(rs_->RowCount(), 0);
  EXPECT_EQ(rs_->Columns, (std::vector<std::string>{"IMEI", "Sender"}));
}

TEST_F(Lite3ScratchDbTest, OnlyTheFirstStatementRuns) {
  EXPECT_TRUE(
      rs_->Query("INSERT INTO Contacts VALUES ('a'); INSERT INTO Contacts VALUES ('b'), ('c')"));
  EXPECT_EQ(rs_->RowsAffected, 1);
  EXPECT_EQ(Scalar("SELECT count(*) FROM Contacts"), "1");
}

TEST_F(Lite3DbTest, MissingTableFailsWithTheLibrarysError) {
  EXPECT_FALSE(rs_->Query("SELECT * FROM Missing"));
  EXPECT_EQ(rs_->ErrorCode, 1);
  EXPECT_EQ(rs_->ErrorMessage, "no such table: Missing");
  EXPECT_FALSE(rs_->Active);
  EXPECT_EQ(rs_->RowCount(), 0);
  EXPECT_TRUE(rs_->Columns.empty());

  EXPECT_FALSE(rs_->QueryW(u"SELECT * FROM Missing"));
  EXPECT_EQ(rs_->ErrorCode, 1);
  EXPECT_EQ(rs_->ErrorMessage, "no such table: Missing");
  EXPECT_EQ(rs_->SqlW, u"SELECT * FROM Missing");
}

TEST_F(Lite3DbTest, FailureWhileSteppingKeepsTheRowsReadBefore) {
  EXPECT_FALSE(
      rs_->Query("WITH n(x) AS (VALUES (1), (2), (3)) "
                 "SELECT CASE WHEN x < 3 THEN x ELSE abs(-9223372036854775807 - 1) END FROM n"));
  EXPECT_EQ(rs_->ErrorCode, 1);
  EXPECT_EQ(rs_->ErrorMessage, "integer overflow");
  EXPECT_EQ(rs_->ColumnValues(0), (std::vector<std::string>{"1", "2"}));
  EXPECT_FALSE(rs_->Active);
}

TEST_F(Lite3DbTest, OutOfRangeRowsAnswerTheEmptyRow) {
  ASSERT_TRUE(rs_->Query("SELECT Sender FROM MessageEx"));
  for (int index : {-1, rs_->RowCount()}) {
    TResultRow& row = rs_->Rows(index);
    EXPECT_EQ(&row, &rs_->EmptyRow);
    EXPECT_EQ(row.Count(), 0);
    EXPECT_EQ(row.Fields(), rs_->Columns);
    TResultCell& cell = row.CellByName("Sender");
    EXPECT_TRUE(cell.IsNull);
    EXPECT_EQ(cell.AsString, "");
    EXPECT_EQ(cell.AsWideString(), u"");
    EXPECT_EQ(cell.AsInteger(), 0);
  }
}

TEST_F(Lite3DbTest, CellsCarryEveryKindOfValue) {
  ASSERT_TRUE(rs_->Query(
      "SELECT NULL, 3, 1.0, 'text', x'00410042', '$1F', 'a' || char(0) || 'b', -7, 2.5e-7"));
  TResultRow& row = rs_->Rows(0);
  EXPECT_TRUE(row.Cells(0).IsNull);
  EXPECT_EQ(row.Cells(0).AsString, "");
  EXPECT_EQ(row.Cells(0).AsInteger(), 0);
  EXPECT_EQ(row.Cells(1).AsInteger(), 3);
  EXPECT_EQ(row.Cells(2).AsString, "1.0");
  EXPECT_EQ(row.Cells(2).AsInteger(), 0);
  EXPECT_EQ(row.Cells(3).AsString, "text");
  EXPECT_EQ(row.Cells(4).AsString, std::string("\0A\0B", 4));
  EXPECT_FALSE(row.Cells(4).IsNull);
  EXPECT_EQ(row.Cells(5).AsInteger(), 31);
  EXPECT_EQ(row.Cells(6).AsString, std::string("a\0b", 3));  // a zero byte does not end text
  EXPECT_EQ(row.Cells(7).AsInteger(), -7);
  EXPECT_EQ(row.Cells(8).AsString, "2.5e-07");
  EXPECT_EQ(row.Nulls(),
            (std::vector<bool>{true, false, false, false, false, false, false, false, false}));
}

TEST_F(Lite3DbTest, Utf16CallsKeepTextWithZerosWhole) {
  ASSERT_TRUE(rs_->QueryW(u"SELECT 'Hi' || char(0) || 'Whole rest ü', char(0)"));
  EXPECT_EQ(rs_->Rows(0).Cells(0).AsString, std::string("Hi\0Whole rest ü", 16));
  EXPECT_EQ(rs_->Rows(0).Cells(1).AsString, std::string(1, '\0'));
}

TEST_F(Lite3DbTest, TextBeyondTheBasicPlaneAndMalformedText) {
  ASSERT_TRUE(rs_->Query("SELECT 'x😀', CAST(x'C328' AS TEXT)"));
  EXPECT_EQ(rs_->Rows(0).Cells(0).AsWideString(), std::u16string({u'x', 0xD83D, 0xDE00}));
  EXPECT_EQ(rs_->Rows(0).Cells(1).AsString, "\xC3(");
  EXPECT_EQ(rs_->Rows(0).Cells(1).AsWideString(), u"");
}

TEST_F(Lite3DbTest, QueryWRunsUtf16TextAndNamesColumns) {
  EXPECT_TRUE(rs_->QueryW(u"SELECT Text AS \"Tëxt\", 'Σ😀' FROM MessageEx WHERE Sender = 'Anna'"));
  EXPECT_EQ(rs_->SqlW, u"SELECT Text AS \"Tëxt\", 'Σ😀' FROM MessageEx WHERE Sender = 'Anna'");
  EXPECT_EQ(rs_->Sql, "");
  ASSERT_EQ(rs_->RowCount(), 1);
  EXPECT_EQ(rs_->Columns[0], "Tëxt");
  EXPECT_EQ(rs_->Rows(0).CellByName("TËXT").AsString, "Grüße");
  EXPECT_EQ(rs_->Rows(0).Cells(1).AsWideString(), u"Σ😀");
}

TEST_F(Lite3DbTest, QueryFmtWFormatsInUtf16) {
  EXPECT_TRUE(rs_->QueryFmtW(u"SELECT Sender FROM MessageEx WHERE Text = %w OR IMEI = %s",
                             {TSqlArg::WideString(u"Grüße"), std::string("none")}));
  EXPECT_EQ(rs_->SqlW, u"SELECT Sender FROM MessageEx WHERE Text = 'Grüße' OR IMEI = 'none'");
  ASSERT_EQ(rs_->RowCount(), 1);
  EXPECT_EQ(rs_->Rows(0).Cells(0).AsString, "Anna");
}

TEST_F(Lite3DbTest, InvalidFormatRunsNothing) {
  ASSERT_TRUE(rs_->Query("SELECT 1"));
  using TOperation = bool (*)(TLite3ResultSet&);
  const std::vector<std::pair<const char*, TOperation>> operations = {
      {"QueryFmt",
       [](TLite3ResultSet& rs) {
         return rs.QueryFmt("INSERT INTO Contacts VALUES ('x')", {TSqlArg::String("extra")});
       }},
      {"QueryFmtW",
       [](TLite3ResultSet& rs) {
         return rs.QueryFmtW(u"INSERT INTO Contacts VALUES (%d)", {TSqlArg::String("1")});
       }},
      {"PrepareFmt",
       [](TLite3ResultSet& rs) {
         return rs.PrepareFmt("INSERT INTO Contacts VALUES (%5d)", {TSqlArg::Integer(1)});
       }},
      {"PrepareFmtW",
       [](TLite3ResultSet& rs) {
         return rs.PrepareFmtW(u"INSERT INTO Contacts VALUES (%", {TSqlArg::Integer(1)});
       }},
  };
  for (const auto& [name, operation] : operations) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(operation(*rs_));
    EXPECT_EQ(rs_->ErrorCode, -1);
    EXPECT_EQ(rs_->ErrorMessage, "Invalid format");
    EXPECT_FALSE(rs_->Active);
    EXPECT_EQ(rs_->RowCount(), 0);
    EXPECT_EQ(rs_->Statement, nullptr);
    EXPECT_FALSE(rs_->Next());
  }
  EXPECT_EQ(Scalar("SELECT count(*) FROM Contacts"), "0");
}

TEST_F(Lite3DbTest, PrepareAndNextStepOneRowAtATime) {
  ASSERT_TRUE(rs_->PrepareFmt("SELECT Sender, Text FROM MessageEx WHERE type = %s ORDER BY rowid",
                              {"SMS"}));
  EXPECT_EQ(rs_->Sql, "SELECT Sender, Text FROM MessageEx WHERE type = 'SMS' ORDER BY rowid");
  EXPECT_NE(rs_->Statement, nullptr);
  EXPECT_EQ(rs_->Columns, (std::vector<std::string>{"Sender", "Text"}));
  EXPECT_EQ(rs_->RowCount(), 0);

  TResultRow* row = nullptr;
  ASSERT_TRUE(rs_->Next(&row));
  EXPECT_EQ(row, &rs_->Rows(0));
  EXPECT_EQ(row->CellByName("Sender").AsString, "+358401");
  EXPECT_EQ(rs_->ErrorCode, 100);
  ASSERT_TRUE(rs_->Next(&row));
  EXPECT_EQ(rs_->RowCount(), 1);
  EXPECT_EQ(row->CellByName("Text").AsWideString(), u"Grüße");
  EXPECT_FALSE(rs_->Next(&row));
  EXPECT_EQ(row, &rs_->EmptyRow);
  EXPECT_EQ(rs_->ErrorCode, 101);
  EXPECT_EQ(rs_->ErrorMessage, "");
}

// Step copies nothing: the columns are read in place, texts by their length (a zero byte kept),
// numbers as numbers; a column out of range reads as NULL. The end and failures are as Next's.
TEST_F(Lite3DbTest, StepReadsTheColumnsOfTheRowInPlace) {
  ASSERT_TRUE(rs_->Prepare(
      "SELECT 'a' || char(0) || 'b', x'00FF', 42, 2.5, NULL UNION ALL SELECT '', x'', -1, 1e300, "
      "NULL"));
  ASSERT_TRUE(rs_->Step());
  EXPECT_EQ(rs_->RowCount(), 0);
  EXPECT_EQ(rs_->ColumnType(0), TColumnType::Text);
  EXPECT_EQ(rs_->ColumnBytes(0), std::string_view("a\0b", 3));
  EXPECT_EQ(rs_->ColumnType(1), TColumnType::Blob);
  EXPECT_EQ(rs_->ColumnBytes(1), std::string_view("\0\xFF", 2));
  EXPECT_EQ(rs_->ColumnType(2), TColumnType::Integer);
  EXPECT_EQ(rs_->ColumnInteger(2), 42);
  EXPECT_EQ(rs_->ColumnBytes(2), "42");
  EXPECT_EQ(rs_->ColumnType(3), TColumnType::Real);
  EXPECT_EQ(rs_->ColumnReal(3), 2.5);
  EXPECT_EQ(rs_->ColumnBytes(3), "2.5");
  for (const int column : {4, 5, -1}) {
    EXPECT_EQ(rs_->ColumnType(column), TColumnType::Null) << column;
    EXPECT_EQ(rs_->ColumnBytes(column), "") << column;
    EXPECT_EQ(rs_->ColumnInteger(column), 0) << column;
  }
  ASSERT_TRUE(rs_->Step());
  EXPECT_EQ(rs_->ColumnBytes(0), "");
  EXPECT_EQ(rs_->ColumnBytes(1), "");
  EXPECT_EQ(rs_->ColumnInteger(2), -1);
  EXPECT_EQ(rs_->ColumnBytes(3), "1.0e+300");
  EXPECT_FALSE(rs_->Step());
  EXPECT_EQ(rs_->ErrorCode, 101);

  ASSERT_TRUE(rs_->Prepare("SELECT abs(-9223372036854775807 - 1)"));
  EXPECT_FALSE(rs_->Step());
  EXPECT_EQ(rs_->ErrorCode, 1);
  EXPECT_EQ(rs_->ErrorMessage, "integer overflow");
}

TEST_F(Lite3DbTest, PrepareWAndNextWReadUtf16) {
  ASSERT_TRUE(
      rs_->PrepareFmtW(u"SELECT Text AS \"Ä\" FROM MessageEx WHERE Sender = %w", {u"Anna"}));
  EXPECT_EQ(rs_->SqlW, u"SELECT Text AS \"Ä\" FROM MessageEx WHERE Sender = 'Anna'");
  EXPECT_EQ(rs_->Columns, (std::vector<std::string>{"Ä"}));
  TResultRow* row = nullptr;
  ASSERT_TRUE(rs_->NextW(&row));
  EXPECT_EQ(row->CellByName("ä").AsString, "Grüße");
  EXPECT_FALSE(rs_->NextW(&row));
  EXPECT_EQ(rs_->ErrorCode, 101);
}

TEST_F(Lite3DbTest, PrepareFailuresAndMisuse) {
  EXPECT_FALSE(rs_->Prepare(""));
  EXPECT_FALSE(rs_->Prepare("SELEC 1"));
  EXPECT_EQ(rs_->ErrorCode, 1);
  EXPECT_EQ(rs_->ErrorMessage, "near \"SELEC\": syntax error");
  EXPECT_FALSE(rs_->PrepareW(u"SELECT * FROM Missing"));
  EXPECT_EQ(rs_->ErrorMessage, "no such table: Missing");
  EXPECT_FALSE(rs_->Next());
  EXPECT_EQ(rs_->ErrorCode, -1);

  // A step error while a statement is held.
  ASSERT_TRUE(rs_->Prepare("SELECT abs(-9223372036854775807 - 1)"));
  TResultRow* row = nullptr;
  EXPECT_FALSE(rs_->Next(&row));
  EXPECT_EQ(row, &rs_->EmptyRow);
  EXPECT_EQ(rs_->ErrorCode, 1);
  EXPECT_EQ(rs_->ErrorMessage, "integer overflow");
}

TEST_F(Lite3ScratchDbTest, QueryAfterPrepareFinalizesTheHeldStatement) {
  ASSERT_TRUE(rs_->Prepare("SELECT * FROM MessageEx"));
  ASSERT_TRUE(rs_->Next());
  ASSERT_TRUE(rs_->Query("DROP TABLE MessageEx")) << rs_->ErrorMessage;
  EXPECT_EQ(rs_->Statement, nullptr);
  rs_->Prepare("SELECT 1");
  rs_->Clear();
  EXPECT_EQ(rs_->Statement, nullptr);
  EXPECT_FALSE(rs_->Active);
}

TEST_F(Lite3ScratchDbTest, ChangeCountAndLastRowId) {
  ASSERT_TRUE(rs_->Query("INSERT INTO Contacts VALUES ('a'), ('b'), ('c')"));
  EXPECT_EQ(rs_->RowsAffected, 3);
  EXPECT_EQ(rs_->LastInsertRowId, 3);
  ASSERT_TRUE(rs_->Query("DELETE FROM Contacts WHERE Name <> 'b'"));
  EXPECT_EQ(rs_->RowsAffected, 2);
  rs_->Clear();
  EXPECT_EQ(rs_->RowsAffected, 0);
  EXPECT_EQ(rs_->LastInsertRowId, 0);
}

TEST_F(Lite3ScratchDbTest, RefreshSchemaSeesNewTables) {
  ASSERT_TRUE(rs_->Query("CREATE TABLE Alpha (x)"));
  EXPECT_EQ(db_->Tables.size(), 2u);
  db_->RefreshSchema();
  EXPECT_EQ(db_->Tables, (std::vector<std::string>{"Alpha", "Contacts", "MessageEx"}));
}

TEST_F(Lite3DbTest, SetTempStoreRunsThePragma) {
  const std::vector<std::pair<TTempStore, std::string>> modes = {
      {tsFile, "1"}, {tsDefault, "0"}, {tsMemory, "2"}};
  for (const auto& [mode, expected] : modes) {
    db_->SetTempStore(mode);
    EXPECT_EQ(db_->InternalQuery().ErrorCode, 0);
    EXPECT_EQ(Scalar("PRAGMA temp_store"), expected);
  }
}

TEST_F(Lite3ScratchDbTest, TransactionsCommitAndRollBack) {
  ASSERT_TRUE(db_->StartTransaction());
  ASSERT_TRUE(rs_->Query("INSERT INTO Contacts VALUES ('gone')"));
  ASSERT_TRUE(db_->Rollback());
  EXPECT_EQ(Scalar("SELECT count(*) FROM Contacts"), "0");

  ASSERT_TRUE(db_->StartTransaction());
  ASSERT_TRUE(rs_->Query("INSERT INTO Contacts VALUES ('kept')"));
  ASSERT_TRUE(db_->Commit());
  EXPECT_FALSE(db_->Commit());
  EXPECT_EQ(db_->InternalQuery().ErrorCode, 1);
  EXPECT_EQ(db_->ErrorCode, 0);
  ASSERT_TRUE(rs_->Query("SELECT Name FROM Contacts"));
  EXPECT_EQ(rs_->ColumnValues(0), (std::vector<std::string>{"kept"}));
}

TEST_F(Lite3DbTest, LowerWLowerCasesUnicodeText) {
  EXPECT_EQ(Scalar("SELECT LowerW('ÄÖÜ Straße ΣΑΣ')"), "äöü straße σασ");
  EXPECT_EQ(Scalar("SELECT LowerW('ABC😀İ')"), "abc😀i");
  ASSERT_TRUE(rs_->Query("SELECT LowerW(NULL), LowerW(''), LowerW(12)"));
  EXPECT_TRUE(rs_->Rows(0).Cells(0).IsNull);
  EXPECT_EQ(rs_->Rows(0).Cells(1).AsString, "");
  EXPECT_FALSE(rs_->Rows(0).Cells(1).IsNull);
  EXPECT_EQ(rs_->Rows(0).Cells(2).AsString, "12");
  EXPECT_FALSE(rs_->Query("SELECT LowerW('A', 'B')"));
  EXPECT_EQ(rs_->ErrorMessage, "wrong number of arguments to function LowerW()");
  EXPECT_EQ(Scalar("SELECT Sender FROM MessageEx WHERE LowerW(Sender) = 'anna'"), "Anna");
}

TEST_F(Lite3DbTest, ResultSetsBelongToTheConnection) {
  TLite3ResultSet* second = db_->NewResultSet();
  auto* third = new TLite3ResultSet(*db_);
  EXPECT_EQ(db_->ResultSets(), (std::vector<TResultSet*>{rs_, second, third}));
  delete second;
  EXPECT_EQ(db_->ResultSets(), (std::vector<TResultSet*>{rs_, third}));
  ASSERT_TRUE(third->Prepare("SELECT * FROM MessageEx"));
  ASSERT_TRUE(third->Next());
  // Destroying the connection finalizes third's statement before closing; the sanitizer build
  // and the library's own checks would report a leak or a use after free.
  db_.reset();
}

TEST_F(Lite3DbTest, CloseFreesResultSetsAndClosesOnce) {
  ASSERT_TRUE(rs_->Prepare("SELECT 1"));
  db_->Close();
  EXPECT_TRUE(db_->ResultSets().empty());
  EXPECT_EQ(db_->Handle, nullptr);
  db_->Close();
  EXPECT_EQ(db_->Handle, nullptr);
  // The connection's own statements still answer after Close, without reaching the library.
  EXPECT_FALSE(db_->StartTransaction());
  EXPECT_EQ(db_->InternalQuery().ErrorCode, -1);
  db_->RefreshSchema();
  EXPECT_TRUE(db_->Tables.empty());
}

TEST_F(Lite3DbTest, OpeningAnOpenConnectionClosesTheOldDatabaseFirst) {
  const std::string other = directory_.File("other.db3");
  ASSERT_TRUE(CreateSqliteDatabase(other, "CREATE TABLE Other (x);"));
  ASSERT_TRUE(db_->Open(other));
  EXPECT_TRUE(db_->ResultSets().empty());
  EXPECT_EQ(db_->Tables, (std::vector<std::string>{"Other"}));
  EXPECT_EQ(db_->FileName, std::u16string(other.begin(), other.end()));
}

TEST_F(Lite3DbTest, OpenWUsesTheUtf16Calls) {
  TLite3Db wide;
  const std::u16string path(path_.begin(), path_.end());
  ASSERT_TRUE(wide.OpenW(path));
  EXPECT_TRUE(wide.UnicodeMode);
  EXPECT_EQ(wide.FileName, path);
  EXPECT_EQ(wide.ErrorCode, 0);
  auto* rs = new TLite3ResultSet(wide);
  ASSERT_TRUE(rs->QueryW(u"SELECT LowerW('ÄB')"));
  EXPECT_EQ(rs->Rows(0).Cells(0).AsString, "äb");
}

TEST_F(Lite3DbTest, ConnectionNeverChangesTheFile) {
  const std::string before = ReadFileBytes(path_);
  const std::vector<std::string> writes = {"INSERT INTO Contacts VALUES ('x')",
                                           "DROP TABLE Contacts",
                                           "CREATE TABLE t (x)",
                                           "PRAGMA user_version = 7",
                                           "VACUUM",
                                           "PRAGMA journal_mode = WAL"};
  for (const std::string& sql : writes) {
    EXPECT_FALSE(rs_->Query(sql)) << sql;
    EXPECT_EQ(rs_->ErrorCode, 8) << sql;
    EXPECT_EQ(rs_->ErrorMessage, "attempt to write a readonly database") << sql;
  }
  db_.reset();
  EXPECT_EQ(ReadFileBytes(path_), before);
  EXPECT_EQ(std::filesystem::directory_iterator(directory_.Path())->path(), path_);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory_.Path()), {}), 1);
}

TEST(Lite3DbOpenTest, MissingFileFailsAndIsNotCreated) {
  TTempDirectory directory;
  const std::string path = directory.File("new.db3");
  for (bool wide : {false, true}) {
    TLite3Db db;
    db.LibraryPath = ProductSqliteLibraryPath();
    EXPECT_FALSE(wide ? db.OpenW(std::u16string(path.begin(), path.end())) : db.Open(path));
    EXPECT_EQ(db.ErrorCode, -2);
    EXPECT_EQ(db.ErrorMessage, "Failed to open the database\r\n" + path + ", ErrorCode: 14");
    EXPECT_FALSE(RegularFileExists(path));
  }
}

TEST(Lite3DbOpenTest, EmptyPathOpensAPrivateTemporaryDatabase) {
  TLite3Db db;
  EXPECT_TRUE(db.Open(""));
  EXPECT_EQ(db.ErrorCode, 0);
  EXPECT_EQ(db.FileName, u"");
  auto* rs = new TLite3ResultSet(db);
  EXPECT_TRUE(rs->Query("CREATE TABLE t (x)"));
}

TEST(Lite3DbOpenTest, PathWithoutDirectoryIsTakenFromTheProgramDirectory) {
  // The library file lies next to the program; opening it as a database neither fails nor
  // changes it.
  const std::string library = ProgramDirectory() + kSqliteLibraryFileName;
  const std::string before = ReadFileBytes(library);
  {
    TLite3Db db;
    EXPECT_TRUE(db.Open(kSqliteLibraryFileName));
    EXPECT_EQ(db.FileName, std::u16string(library.begin(), library.end()));
    auto* rs = new TLite3ResultSet(db);
    EXPECT_FALSE(rs->Query("SELECT * FROM MessageEx"));
    EXPECT_EQ(rs->ErrorCode, 26);
  }
  EXPECT_EQ(ReadFileBytes(library), before);
}

// A bare name opens in the program's directory; a path with a directory part, and the empty one,
// as it is.
TEST(Lite3DbOpenTest, DirectoryPartIsASlashBackslashOrColon) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"MDataStore.db3", false}, {"", false},          {"./x.db3", true},
      {"/tmp/x.db3", true},      {"C:x.db3", true},    {"dir\\x.db3", true},
      {"a b ü.db3", false},      {"file:x.db3", true}, {"\xFF\xFE.db3", false},
  };
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(PathHasDirectoryPart(path), expected) << path;
    EXPECT_EQ(DatabasePathToOpen(path), expected || path.empty() ? path : ProgramDirectory() + path)
        << path;
  }
}

TEST(Lite3DbOpenTest, UnboundLibraryFailsWithoutCallingIt) {
  // While nothing is bound every entry point is null: a call into the library would crash.
  TTempDirectory directory;
  TLite3Db db;
  db.LibraryPath = directory.File("missing.so");
  EXPECT_FALSE(db.Open(directory.File("x.db3")));
  EXPECT_EQ(db.ErrorCode, -1);
  EXPECT_EQ(db.ErrorMessage, "Failed to load DLL library");
  EXPECT_FALSE(db.LibraryLoaded);
  EXPECT_EQ(db.Handle, nullptr);
  EXPECT_EQ(db.LibraryPath, directory.File("missing.so"));
  EXPECT_FALSE(SqliteLibraryBound());
  EXPECT_FALSE(RegularFileExists(directory.File("x.db3")));

  auto* rs = new TLite3ResultSet(db);
  EXPECT_FALSE(rs->Query("SELECT 1"));
  EXPECT_EQ(rs->ErrorCode, -1);
  EXPECT_EQ(rs->ErrorMessage, "Database not open");
  EXPECT_FALSE(rs->PrepareW(u"SELECT 1"));
  EXPECT_EQ(rs->ErrorCode, -1);
  EXPECT_FALSE(db.StartTransaction());
  db.Close();

  // The next open may bind another library; the error it found stays until the caller clears it.
  ASSERT_TRUE(CreateSqliteDatabase(directory.File("x.db3"), "CREATE TABLE t (x);"));
  db.LibraryPath = ProductSqliteLibraryPath();
  EXPECT_TRUE(db.Open(directory.File("x.db3")));
  EXPECT_TRUE(db.LibraryLoaded);
  EXPECT_EQ(db.ErrorCode, -1);
}

TEST(Lite3DbOpenTest, UnopenedConnectionMakesNoLibraryCall) {
  TLite3Db db;
  auto* rs = db.NewResultSet();
  EXPECT_FALSE(rs->Query(""));
  EXPECT_EQ(rs->ErrorCode, -1);
  db.Close();
  db.Close();
  EXPECT_FALSE(SqliteLibraryBound());
}

TEST(Lite3DbOpenTest, OpenFailureReportsThePathAndTheLibrarysCode) {
  TTempDirectory directory;
  const std::string path = directory.File("no/such/dir/MDataStore.db3");
  TLite3Db db;
  db.LibraryPath = ProductSqliteLibraryPath();
  EXPECT_FALSE(db.Open(path));
  EXPECT_EQ(db.ErrorCode, -2);
  EXPECT_EQ(db.ErrorMessage, "Failed to open the database\r\n" + path + ", ErrorCode: 14");
  EXPECT_EQ(db.FileName, u"");
  EXPECT_TRUE(db.LibraryLoaded);
}

// A private copy is refused when a source file changes while it is copied, be it only its time
// of change: the copy may then mix two states of the datastore.
TEST(PrivateDatastoreCopyTest, SourceThatChangesWhileItIsCopiedIsRefused) {
  struct TChange {
    const char* Name;
    void (*Change)(const std::string& path);
  };
  const std::vector<TChange> changes = {
      {"unchanged", [](const std::string&) {}},
      {"grown", [](const std::string& path) { testing::WriteFileBytes(path, "journal bytes+"); }},
      {"rewritten at the same size",
       [](const std::string& path) {
         testing::WriteFileBytes(path, "JOURNAL BYTES");
         const auto file = testing::Utf8Path(path);
         std::filesystem::last_write_time(
             file, std::filesystem::last_write_time(file) + std::chrono::seconds(2));
       }},
  };
  for (const TChange& change : changes) {
    SCOPED_TRACE(change.Name);
    testing::TTempDirectory directory;
    const std::string path = directory.File("MDataStore.db3");
    ASSERT_TRUE(testing::CreateSqliteDatabase(path, "CREATE TABLE MessageEx (type TEXT);"));
    testing::WriteFileBytes(path + "-journal", "journal bytes");
    TPrivateDatastoreCopy copy(
        [&](const std::string& from, const std::string& to, int& error_number) {
          const bool copied = CopyFileBytes(from, to, error_number);
          if (from == path + "-journal")
            change.Change(from);
          return copied;
        });

    const bool made = copy.Make(path);

    EXPECT_EQ(made, change.Name == std::string("unchanged")) << copy.ErrorMessage;
    if (!made) {
      EXPECT_EQ(copy.ErrorMessage,
                "The datastore changed while a private copy of it was made for reading. Close the "
                "programs that use it (such as Nokia Ovi Suite) and try again");
    }
  }
}

}  // namespace
}  // namespace velmorra
