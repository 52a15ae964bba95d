#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velmorra {

// The separator this system puts between the parts of a path: '\\' on Windows, '/' on Linux.
extern const char kPathSeparator;

// True when `c` separates the parts of a path: '/' on Linux, '\\' and '/' on Windows.
bool IsPathSeparator(char c);

// True when a regular file (or a link to one) exists at `path`; false for a directory, for
// nothing, and for the empty path.
bool RegularFileExists(const std::string& path);

// What a file looks like from outside: whether it is there, its size and the time of its last
// change. Two equal stamps of one path taken some time apart mean its bytes were not written
// between them.
struct TFileStamp {
  bool Exists = false;
  int64_t Size = 0;
  int64_t ModifiedNanoseconds = 0;

  bool operator==(const TFileStamp&) const = default;
};

// The stamp of the file at `path`; Exists is false when nothing (or nothing readable) is there.
TFileStamp FileStampOf(const std::string& path);

// The first `count` bytes of the file at `path` (fewer when the file is shorter); nothing when it
// cannot be opened or read.
std::optional<std::string> ReadFileStart(const std::string& path, size_t count);

// Copies the bytes of the file at `from` into a new file `to` that only this user may read. On
// failure returns false with the system's error number in `error_number`; a partial `to` may stay
// (its folder's owner removes it).
bool CopyFileBytes(const std::string& from, const std::string& to, int& error_number);

// The absolute form of `path`: a relative path is taken against the current directory, "." parts
// are dropped, a trailing separator is kept. ".." is resolved as the system resolves it: on
// Windows as text (GetFullPathName); on Linux it leads to the parent of the folder that what
// comes before it really is, symbolic links followed, as the kernel takes it (where that part
// does not exist, as text). Other symbolic links stay as they are written. The empty string when
// the expansion fails (an empty path, or no current directory).
std::string FullPathName(const std::string& path);

// The path of the file `path` leads to, absolute and with every symbolic link (on Windows every
// link and junction) resolved: the file the system opens. Nothing when no file can be reached
// there.
std::optional<std::string> RealPath(const std::string& path);

// True when `first` and `second` both lead to one and the same existing file (the same device and
// inode; on Windows the same volume and file ID), however each is written.
bool SameFile(const std::string& first, const std::string& second);

// The operating system's text for an error number (errno on Linux, GetLastError on Windows),
// without a trailing line break.
std::string SystemErrorText(int error_code);

// The error number of a full disk (ENOSPC, ERROR_DISK_FULL).
extern const int kDiskFullError;

}  // namespace velmorra
