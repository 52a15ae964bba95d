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

std::string RollbackJournalPath(const std::string& Path) {
  return Path + "-journal";
}

std::string WriteAheadLogPath(const std::string& Path) {
  return Path + "-wal";
}

}  // namespace velmorra
