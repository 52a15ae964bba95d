#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "db/lite3_db.h"
#include "support/sqlite_fixture.h"
#include "support/temp_directory.h"

// Reading a datastore never changes it, whatever state a writer left it in: the datastore, its
// "-journal" and its "-wal" keep every byte and no such file comes or goes (the "-shm" index may be
// made or used, as every reader does).

namespace velmorra {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TTempDirectory;

const char kRows[] =
    "CREATE TABLE MessageEx (type TEXT, Text TEXT);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
    "INSERT INTO MessageEx SELECT 'SMS', printf('%0300d', i) FROM n;";

void Execute(sqlite3* db, const char* sql) {
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << sql << ": " << error;
  sqlite3_free(error);
}

// A WAL datastore whose log holds 5 committed rows beyond the 400 its main file has: the state a
// writer leaves that exits without a checkpoint.
void MakeWalWithRowsInTheLog(const std::string& path) {
  ASSERT_TRUE(testing::CreateWalDatabaseWithChangesInTheLog(
      path, kRows, "INSERT INTO MessageEx SELECT type, 'new' FROM MessageEx LIMIT 5;"));
  ASSERT_TRUE(fs::exists(path + "-wal"));
}

// A datastore with a hot rollback journal: the files as a writer killed in the middle of a
// transaction leaves them, with part of its uncommitted change already in the main file.
void MakeHotJournal(const std::string& path) {
  const std::string writer_path = path + ".writer";
  ASSERT_TRUE(testing::CreateSqliteDatabase(writer_path, kRows));
  const std::string committed = ReadFileBytes(writer_path);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(writer_path.c_str(), &db), SQLITE_OK);
  Execute(db,
          "PRAGMA cache_size = 2; BEGIN;"
          "UPDATE MessageEx SET Text = 'uncommitted' WHERE rowid % 2 = 0;"
          "DELETE FROM MessageEx WHERE rowid % 3 = 0;");
  fs::copy_file(writer_path, path);
  fs::copy_file(writer_path + "-journal", path + "-journal");
  Execute(db, "ROLLBACK");
  sqlite3_close(db);
  fs::remove(writer_path);
  ASSERT_NE(ReadFileBytes(path), committed) << "the change did not reach the main file";
}

// A WAL datastore closed cleanly: no log beside it.
void MakeWalWithoutLog(const std::string& path) {
  ASSERT_TRUE(
      testing::CreateSqliteDatabase(path, std::string("PRAGMA journal_mode = WAL;") + kRows));
  ASSERT_FALSE(fs::exists(path + "-wal"));
}

// Takes away, while it lives, a superuser's right to write where the permission bits forbid it, so
// that a read-only folder is read-only for the tests run as root too.
class TPermissionBitsApply {
 public:
  TPermissionBitsApply() {
    if (geteuid() != 0)
      return;
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    changed_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~TPermissionBitsApply() {
    if (changed_)
      syscall(SYS_capset, &header_, saved_);
  }

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool changed_ = false;
};

// Every file of `folder` with its size and a hash of its bytes, the "-shm" index left out.
std::map<std::string, std::string> FilesOf(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 4 || name.substr(name.size() - 4) != "-shm") {
      const std::string bytes = ReadFileBytes(entry.path().string());
      files[name] = std::to_string(bytes.size()) + " bytes, hash " +
                    std::to_string(std::hash<std::string>()(bytes));
    }
  }
  return files;
}

struct TWriterState {
  const char* name;
  std::function<void(const std::string&)> make;
  bool read_only_folder;
  bool remove_index;          // no "-shm" beside the log
  int rows;                   // what a reader sees: the last committed state
  int new_rows;               // rows whose text came from the log
  bool through_link = false;  // opened through a symbolic link to the file, in another folder
};

TEST(ReadOnlyTest, EveryWriterStateReadsTheLastCommittedRowsAndChangesNothing) {
  const std::vector<TWriterState> states = {
      {"WAL with rows in the log", MakeWalWithRowsInTheLog, false, false, 405, 5},
      {"WAL in a read-only folder", MakeWalWithRowsInTheLog, true, false, 405, 5},
      {"WAL in a read-only folder, no index", MakeWalWithRowsInTheLog, true, true, 405, 5},
      {"WAL without its log", MakeWalWithoutLog, false, false, 400, 0},
      {"WAL without its log in a read-only folder", MakeWalWithoutLog, true, false, 400, 0},
      {"hot rollback journal", MakeHotJournal, false, false, 400, 0},
      {"hot rollback journal in a read-only folder", MakeHotJournal, true, false, 400, 0},
      // The library reads the logs beside the file a link leads to, not beside the link.
      {"WAL through a link", MakeWalWithRowsInTheLog, false, false, 405, 5, true},
      {"WAL through a link, read-only folder", MakeWalWithRowsInTheLog, true, false, 405, 5, true},
      {"hot rollback journal through a link", MakeHotJournal, false, false, 400, 0, true},
  };
  for (const TWriterState& state : states) {
    SCOPED_TRACE(state.name);
    TTempDirectory directory;
    TTempDirectory temporary;
    const std::string folder = directory.File("store");
    fs::create_directory(folder);
    const std::string path = folder + "/MDataStore.db3";
    state.make(path);
    if (state.remove_index)
      fs::remove(path + "-shm");
    const std::map<std::string, std::string> before = FilesOf(folder);
    if (state.read_only_folder)
      fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
    const std::string link = directory.File("link.db3");
    if (state.through_link)
      fs::create_symlink(path, link);
    setenv("TMPDIR", temporary.Path().c_str(), 1);
    {
      TPermissionBitsApply permission_bits;
      TLite3Db db;
      db.LibraryPath = testing::ProductSqliteLibraryPath();
      EXPECT_TRUE(db.Open(state.through_link ? link : path)) << db.ErrorMessage;
      EXPECT_EQ(db.ErrorCode, 0) << db.ErrorMessage;
      auto* rs = db.NewResultSet();
      EXPECT_TRUE(
          rs->Query("SELECT count(*), sum(Text = 'new'), sum(Text GLOB '0*') FROM MessageEx WHERE "
                    "type = 'SMS'"))
          << rs->ErrorMessage;
      EXPECT_EQ(rs->Rows(0).Cells(0).AsInteger(), state.rows);
      EXPECT_EQ(rs->Rows(0).Cells(1).AsInteger(), state.new_rows);
      EXPECT_EQ(rs->Rows(0).Cells(2).AsInteger(), 400);
    }
    unsetenv("TMPDIR");
    EXPECT_EQ(FilesOf(folder), before);
    EXPECT_TRUE(fs::is_empty(temporary.Path())) << "the private copy stayed";
  }
}

TEST(ReadOnlyTest, PrivateCopyThatCannotBeMadeIsSaid) {
  TTempDirectory directory;
  TTempDirectory temporary;
  const std::string path = directory.File("MDataStore.db3");
  MakeHotJournal(path);
  const std::map<std::string, std::string> before = FilesOf(directory.Path());
  fs::permissions(temporary.Path(), fs::perms::owner_write, fs::perm_options::remove);
  setenv("TMPDIR", temporary.Path().c_str(), 1);
  {
    TPermissionBitsApply permission_bits;
    TLite3Db db;
    db.LibraryPath = testing::ProductSqliteLibraryPath();
    EXPECT_FALSE(db.Open(path));
    EXPECT_EQ(db.ErrorCode, -3);
    EXPECT_EQ(db.ErrorMessage,
              "The datastore can only be read from a private copy (it holds an unfinished change "
              "or a log that cannot be read where it is), and no temporary folder could be made "
              "for it: Permission denied");
    EXPECT_EQ(db.Handle, nullptr);
  }
  unsetenv("TMPDIR");
  EXPECT_EQ(FilesOf(directory.Path()), before);
}

}  // namespace
}  // namespace velmorra
