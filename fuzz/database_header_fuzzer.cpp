// The datastore header check on any first bytes and any file length: it never accepts a file
// shorter than the page count its header validly records, nor, without a valid count, one that
// ends inside a page; and it never rejects a database that SQLite made itself and whose
// quick_check passes.
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "db/database_header.h"
#include "fuzz_check.h"
#include "support/temp_directory.h"

namespace velmorra::fuzzing {
namespace {

constexpr std::string_view kMagic("SQLite format 3\0", 16);
constexpr uint64_t kLargestLength = uint64_t{1} << 31;  // sparse, so cheap

uint64_t BigEndian(std::string_view bytes, size_t offset, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i)
    value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

bool Execute(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A database made by SQLite with a page size, auto-vacuum and journal mode, rows of some size,
// some of them deleted and the file perhaps vacuumed, all as the input says.
void WriteGeneratedDatabase(TFuzzInput& input, const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  Execute(db, "PRAGMA page_size=" + std::to_string(512 << input.Number(7)) +
                  "; PRAGMA auto_vacuum=" + std::to_string(input.Number(2)) +
                  "; PRAGMA journal_mode=" + (input.Bool() ? "WAL" : "DELETE") +
                  "; PRAGMA synchronous=OFF; CREATE TABLE MessageEx (type, IMEI, Text)");
  Execute(db, "BEGIN");
  const uint32_t rows = input.Number(60);
  for (uint32_t i = 0; i < rows; ++i) {
    Execute(db, "INSERT INTO MessageEx VALUES ('SMS', " + std::to_string(input.Number(3)) +
                    ", zeroblob(" + std::to_string(input.Number(5000)) + "))");
  }
  Execute(db, "COMMIT");
  if (const uint32_t every = input.Number(4); every > 0)
    Execute(db, "DELETE FROM MessageEx WHERE rowid % " + std::to_string(every) + " = 0");
  if (input.Bool())
    Execute(db, "VACUUM");
  sqlite3_close(db);
}

bool QuickCheckPasses(const std::string& path) {
  sqlite3* db = nullptr;
  bool passes = false;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(statement, 0);
      passes = text != nullptr && std::string_view(reinterpret_cast<const char*>(text)) == "ok";
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return passes;
}

// Overwrites header bytes, changes the length and perhaps puts a write-ahead log beside the file.
void Damage(TFuzzInput& input, const std::string& path) {
  std::string bytes = testing::ReadFileBytes(path);
  const uint32_t patches = input.Number(6);
  for (uint32_t i = 0; i < patches && !bytes.empty(); ++i)
    bytes[input.Number(99) % bytes.size()] = static_cast<char>(input.Byte());
  testing::WriteFileBytes(path, bytes);
  switch (input.Number(3)) {
    case 1:
      std::filesystem::resize_file(path, input.Number(static_cast<uint32_t>(bytes.size())));
      break;
    case 2:
      std::filesystem::resize_file(path, input.Word64() % kLargestLength);
      break;
    case 3: {
      // A copy cut short at a page boundary, as an interrupted copy leaves it.
      const uint64_t page_size = bytes.size() >= 18 ? BigEndian(bytes, 16, 2) : 0;
      const uint64_t cut = page_size * (1 + input.Number(3));
      std::filesystem::resize_file(path, bytes.size() > cut ? bytes.size() - cut : 0);
      break;
    }
    default:
      break;
  }
  if (input.Bool())
    testing::WriteFileBytes(WriteAheadLogPath(path), input.Bytes(64));
}

void CheckVerdict(const std::string& path) {
  const std::string damage = DatabaseFileDamage(path);
  const uint64_t size = std::filesystem::file_size(path);
  std::string start(100, '\0');
  std::ifstream(testing::Utf8Path(path), std::ios::binary).read(start.data(), 100);
  start.resize(std::min<uint64_t>(size, 100));
  const std::string what = Printable(start) + ", " + std::to_string(size) + " bytes: " + damage;
  if (size < 100) {
    // A cut header is damage; anything else is left to the library.
    const bool cut_header = size > 0 && kMagic.substr(0, start.size()) == start.substr(0, 16);
    FUZZ_CHECK(damage.empty() != cut_header, what);
    return;
  }
  if (start.substr(0, 16) != kMagic) {
    FUZZ_CHECK(damage.empty(), what);
    return;
  }
  const uint64_t stored_page_size = BigEndian(start, 16, 2);
  const uint64_t page_size = stored_page_size == 1 ? 65536 : stored_page_size;
  if (page_size < 512 || page_size > 65536 || (page_size & (page_size - 1)) != 0) {
    FUZZ_CHECK(!damage.empty(), what);
    return;
  }
  const uint64_t page_count = BigEndian(start, 28, 4);
  const bool count_valid = page_count != 0 && BigEndian(start, 24, 4) == BigEndian(start, 92, 4);
  // Without a valid page count only whole pages tell that nothing is missing.
  if (!count_valid && size % page_size != 0)
    FUZZ_CHECK(!damage.empty(), what);
  const bool wal_mode = start[18] == 2 || start[19] == 2;
  std::error_code error;
  const bool log_beside = std::filesystem::file_size(WriteAheadLogPath(path), error) > 0 && !error;
  if (count_valid && !(wal_mode && log_beside) && size < page_count * page_size)
    FUZZ_CHECK(!damage.empty(), what);
}

}  // namespace
}  // namespace velmorra::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmorra;
  using namespace velmorra::fuzzing;
  static const testing::TTempDirectory folder;
  const std::string path = folder.File("MDataStore.db3");
  for (const std::string& file : {path, path + "-journal", WriteAheadLogPath(path), path + "-shm"})
    std::filesystem::remove(file);
  TFuzzInput input(data, size);
  if (input.Bool()) {
    WriteGeneratedDatabase(input, path);
    // The log is gone once the last connection closed: the file stands alone.
    if (QuickCheckPasses(path))
      FUZZ_CHECK(DatabaseFileDamage(path).empty(), DatabaseFileDamage(path));
  } else {
    testing::WriteFileBytes(path, input.Bytes(255));
  }
  Damage(input, path);
  CheckVerdict(path);
  return 0;
}
