#include "db/database_header.h"

#include <string_view>

#include "platform/file_system.h"

namespace velmorra {

namespace {

constexpr size_t kHeaderSize = 100;
constexpr std::string_view kMagic("SQLite format 3\0", 16);

uint32_t BigEndian(const std::string& bytes, size_t offset, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i)
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

uint32_t ValidPageSize(uint32_t stored) {
  const uint32_t size = stored == 1 ? 65536 : stored;
  const bool power_of_two = (size & (size - 1)) == 0;
  return size >= 512 && size <= 65536 && power_of_two ? size : 0;
}

}  // namespace

std::optional<TDatabaseHeader> ReadDatabaseHeader(const std::string& Path) {
  const std::optional<std::string> bytes = ReadFileStart(Path, kHeaderSize);
  if (!bytes || bytes->size() < kHeaderSize)
    return std::nullopt;
  TDatabaseHeader header;
  header.HasMagic = std::string_view(*bytes).substr(0, kMagic.size()) == kMagic;
  if (!header.HasMagic)
    return header;
  header.PageSize = ValidPageSize(BigEndian(*bytes, 16, 2));
  // Bytes 18 and 19: the file format versions for writing and reading, 2 in WAL mode.
  header.WalMode = (*bytes)[18] == 2 || (*bytes)[19] == 2;
  header.PageCount = BigEndian(*bytes, 28, 4);
  // The change counter (24) and the version-valid-for number (92).
  header.PageCountValid =
      header.PageCount != 0 && BigEndian(*bytes, 24, 4) == BigEndian(*bytes, 92, 4);
  return header;
}

std::string DatabaseFileDamage(const std::string& Path) {
  const int64_t size = FileStampOf(Path).Size;
  const std::optional<TDatabaseHeader> header = ReadDatabaseHeader(Path);
  if (!header) {
    // Shorter than a header: damaged when what is there is the start of one.
    const std::optional<std::string> start = ReadFileStart(Path, kMagic.size());
    const bool cut_header = start && !start->empty() && kMagic.substr(0, start->size()) == *start;
    return cut_header ? "The datastore is damaged: it ends inside its own header (" +
                            std::to_string(size) + " bytes)"
                      : "";
  }
  if (!header->HasMagic)
    return "";
  const std::string damaged = "The datastore is damaged: ";
  if (header->PageSize == 0)
    return damaged + "its header gives no valid page size";
  const int64_t page_size = header->PageSize;
  const std::string tail =
      ". Messages stored in the missing part cannot be read; copy the datastore again from where "
      "it came from or restore it from a backup";
  const bool log_may_hold_pages = header->WalMode && FileStampOf(WriteAheadLogPath(Path)).Size > 0;
  const int64_t expected = page_size * header->PageCount;
  // Bytes after the last page that a valid page count gives are never read: the library reads
  // such a file whole. Without a valid count the file's length is all there is to go by.
  const bool within_pages = !header->PageCountValid || size < expected;
  if (within_pages && size % page_size != 0) {
    return damaged + "it ends inside a page (" + std::to_string(size) +
           " bytes is no whole number of " + std::to_string(page_size) + "-byte pages)" + tail;
  }
  if (header->PageCountValid && !log_may_hold_pages && size < expected) {
    return damaged + "it is cut short (its header gives " + std::to_string(header->PageCount) +
           " pages of " + std::to_string(page_size) + " bytes, " + std::to_string(expected) +
           " bytes, but the file holds " + std::to_string(size) + " bytes)" + tail;
  }
  return "";
}

std::string RollbackJournalPath(const std::string& Path) {
  return Path + "-journal";
}

std::string WriteAheadLogPath(const std::string& Path) {
  return Path + "-wal";
}

}  // namespace velmorra
