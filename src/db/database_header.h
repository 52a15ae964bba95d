#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmorra {

// What the first 100 bytes of an SQLite database file say about it.
struct TDatabaseHeader {
  // The file starts with "SQLite format 3" and a zero byte; without it nothing below is read.
  bool HasMagic = false;
  // Bytes per page: a power of two from 512 to 65536, or 0 when the header holds another value.
  uint32_t PageSize = 0;
  // The database's size in pages as the header records it, and whether that record is valid: it
  // is when it is not zero and was written together with the current change counter (every
  // SQLite since 3.7.0 keeps it so).
  uint32_t PageCount = 0;
  bool PageCountValid = false;
  // The file is in write-ahead-log mode: the library reads it together with its "-wal" file.
  bool WalMode = false;
};

// The header of the database file at `Path`; nothing when the file cannot be read or is shorter
// than a header.
std::optional<TDatabaseHeader> ReadDatabaseHeader(const std::string& Path);

// Why the database file at `Path` is damaged, as a sentence for the user, or the empty string
// when its header and its length agree. Cheap: reads the header and the file's size. A file cut
// short reads without any error from the library (the missing tail reads as zeros), so the
// length is checked against the header first. Where the header records a valid page count, the
// file must hold that many pages of its valid page size (in WAL mode with a log beside it the log
// may hold the missing ones, so there only a file ending inside one of them is damaged); bytes
// after them are left alone, as the library leaves them. Without a valid count the size must be
// whole pages. Files without the SQLite header are left to the library, which says what they are
// not.
std::string DatabaseFileDamage(const std::string& Path);

// The files the library keeps beside a database at `Path` while it is being changed: the
// rollback journal and the write-ahead log.
std::string RollbackJournalPath(const std::string& Path);
std::string WriteAheadLogPath(const std::string& Path);

}  // namespace velmorra
