#pragma once

#include <cstdint>
#include <string>

namespace velmorra {

// The texts of the window's one-line notice (Label2) and of its boxes about backup files.

// "Backups are saved in <folder>", what the line says at start and after a new path.
std::string BackupFolderNotice(const std::string& output_directory);
// After a conversion that wrote `message_count` messages into `file_name` (a full path): the
// file's name alone, or, when `name_folder`, its full path.
std::string ConversionNotice(int64_t message_count, const std::string& file_name, bool name_folder);
// "Datastore 2: <path>", for a datastore picked in the list of registered ones.
std::string PickedDatastoreNotice(const std::string& caption, const std::string& path);
// While the phones of the datastore at `path` are read.
std::string ReadingNotice(const std::string& path);
// While converting: "Converting…" until rows are read, then with how many of how many, for
// example "Converting… 412,000 of 900,287 messages" (without "of …" while `total` is negative,
// which stands for unknown).
std::string ConvertingNotice(int64_t done, int64_t total);

// `number` in decimal with a comma between groups of three digits: "900,287".
std::string GroupedNumber(int64_t number);

// What a backup file that could not be created or written went wrong with: the error's `text`
// and what to do about it. `written` is true for a failed write (a full disk, say), false for a
// file that could not be created; `program_folder` is true when the backups go beside the
// program, into a folder the user may not be able to write to.
std::string BackupFileErrorMessage(const std::string& text, bool written, bool program_folder);

}  // namespace velmorra
