#pragma once

#include <string>

namespace velmorra {

// The separator this system puts between the parts of a path: '\\' on Windows, '/' on Linux.
extern const char kPathSeparator;

// True when `c` separates the parts of a path: '/' on Linux, '\\' and '/' on Windows.
bool IsPathSeparator(char c);

// True when a regular file (or a link to one) exists at `path`; false for a directory, for
// nothing, and for the empty path.
bool RegularFileExists(const std::string& path);

// The absolute form of `path`: a relative path is taken against the current directory, "." and
// ".." parts are resolved as text, a trailing separator is kept, symbolic links are not resolved.
// The empty string when the expansion fails (an empty path, or no current directory).
std::string FullPathName(const std::string& path);

// The operating system's text for an error number (errno on Linux, GetLastError on Windows),
// without a trailing line break.
std::string SystemErrorText(int error_code);

// The error number of a full disk (ENOSPC, ERROR_DISK_FULL).
extern const int kDiskFullError;

}  // namespace velmorra
