#include "platform/output_file.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/system_output_file.h"
#include "platform/temporary_file_name.h"
#include "platform/win32/file_identity.h"
#include "platform/win32/wide_text.h"

namespace velmorra {

const int kFileNotOpenError = ERROR_INVALID_HANDLE;

namespace {

constexpr int kNameAttempts = 100;

// The names of the entries of `directory` (ending in a separator) that match `pattern`, with
// their attributes.
std::vector<std::pair<std::wstring, DWORD>> EntriesMatching(const std::string& directory,
                                                            const char* pattern) {
  std::vector<std::pair<std::wstring, DWORD>> entries;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW(Widen(directory + pattern).c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE)
    return entries;
  do {
    entries.emplace_back(found.cFileName, found.dwFileAttributes);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

bool IsLinkOrFolder(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
}

// Removes the temporary files that runs killed while writing left in `directory` (ending in a
// separator). A writer holds its file open without sharing it, so the file of a run still writing
// cannot be opened and stays; so does whatever else cannot be proved left over or be removed.
void RemoveLeftOverTemporaries(const std::string& directory) {
  for (const auto& [name, attributes] : EntriesMatching(directory, ".velmorra-*.tmp")) {
    if (!IsLinkOrFolder(attributes) && IsTemporaryFileName(Narrow(name)))
      DeletePlainFileNobodyHolds(directory, name, false);
  }
}

// Wine's ReplaceFileW makes an empty file "rf<hex>.tmp" beside the target and leaves it behind
// when it fails; Windows makes none. The names of such files in `directory`.
constexpr char kReplaceFilePattern[] = "rf*.tmp";

std::set<std::wstring> ReplaceFileLeftovers(const std::string& directory) {
  std::set<std::wstring> names;
  for (const auto& [name, attributes] : EntriesMatching(directory, kReplaceFilePattern)) {
    if (!IsLinkOrFolder(attributes))
      names.insert(name);
  }
  return names;
}

// Removes the empty "rf<hex>.tmp" files that appeared in `directory` since `before`.
void RemoveNewReplaceFileLeftovers(const std::string& directory,
                                   const std::set<std::wstring>& before) {
  for (const std::wstring& name : ReplaceFileLeftovers(directory)) {
    if (before.count(name) == 0)
      DeletePlainFileNobodyHolds(directory, name, true);
  }
}

int LastError() {
  return static_cast<int>(GetLastError());
}

// The file as Windows writes it: a named temporary file beside the target, held open without
// sharing, that ReplaceFileW puts in the target's place.
class TWindowsOutputFile : public TSystemOutputFile {
 public:
  TWindowsOutputFile() = default;
  ~TWindowsOutputFile() override;
  TWindowsOutputFile(const TWindowsOutputFile&) = delete;
  TWindowsOutputFile& operator=(const TWindowsOutputFile&) = delete;

  int Open(const std::string& path);

  int Write(const char* data, size_t count, int64_t& position) override;
  int Read(void* buffer, size_t count, int64_t& read_count) override;
  int Size(int64_t& size) override;
  int Seek(int64_t position, int64_t& reached) override;
  int Truncate(int64_t size, int64_t position) override;
  int Commit() override;
  bool WritesInPlace() const override { return false; }
  const std::string& TemporaryPath() const override { return temporary_path_; }

 private:
  void Close();
  // Puts the closed temporary file at the target's path.
  int Replace();

  std::string target_path_;
  std::string directory_path_;
  std::string temporary_path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

// Windows always names its files: the temporary file has a name everywhere.
void TOutputFile::UseNamedTemporaryFiles(bool) {}

int CreateSystemOutputFile(const std::string& path, std::unique_ptr<TSystemOutputFile>& file) {
  auto windows_file = std::make_unique<TWindowsOutputFile>();
  if (const int error = windows_file->Open(path))
    return error;
  file = std::move(windows_file);
  return 0;
}

int TWindowsOutputFile::Open(const std::string& path) {
  // ReplaceFileW wants full paths: a relative one fails.
  const std::string full_path = FullPathName(path);
  std::string target_name;
  SplitOutputPath(full_path, directory_path_, target_name);
  if (target_name.empty())
    return path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;

  const DWORD attributes = GetFileAttributesW(Widen(full_path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
    return ERROR_ACCESS_DENIED;

  RemoveLeftOverTemporaries(directory_path_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = directory_path_ + NewTemporaryFileName();
    handle_ = CreateFileW(Widen(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS)
        continue;
      return LastError();
    }
    target_path_ = full_path;
    temporary_path_ = candidate;
    return 0;
  }
  return ERROR_FILE_EXISTS;
}

int TWindowsOutputFile::Write(const char* data, size_t count, int64_t& position) {
  while (count > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle_, data, chunk, &written, nullptr) || written == 0) {
      // A write that takes nothing without saying why can only mean the disk is full.
      return written == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : LastError();
    }
    data += written;
    count -= written;
    position += written;
  }
  return 0;
}

int TWindowsOutputFile::Read(void* buffer, size_t count, int64_t& read_count) {
  DWORD result = 0;
  const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
  if (!ReadFile(handle_, buffer, chunk, &result, nullptr))
    return LastError();
  read_count = result;
  return 0;
}

int TWindowsOutputFile::Size(int64_t& size) {
  LARGE_INTEGER file_size;
  if (!GetFileSizeEx(handle_, &file_size))
    return LastError();
  size = file_size.QuadPart;
  return 0;
}

int TWindowsOutputFile::Seek(int64_t position, int64_t& reached) {
  LARGE_INTEGER distance, offset;
  distance.QuadPart = position;
  if (!SetFilePointerEx(handle_, distance, &offset, FILE_BEGIN))
    return LastError();
  reached = offset.QuadPart;
  return 0;
}

int TWindowsOutputFile::Truncate(int64_t size, int64_t position) {
  // The end of file is set at the file pointer: move it there and back.
  LARGE_INTEGER end, offset;
  end.QuadPart = size;
  offset.QuadPart = position;
  if (!SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
    const int error = LastError();
    SetFilePointerEx(handle_, offset, nullptr, FILE_BEGIN);
    return error;
  }
  if (!SetFilePointerEx(handle_, offset, nullptr, FILE_BEGIN))
    return LastError();
  return 0;
}

int TWindowsOutputFile::Commit() {
  if (!FlushFileBuffers(handle_))
    return LastError();
  Close();
  return Replace();
}

int TWindowsOutputFile::Replace() {
  const std::wstring target = Widen(target_path_);
  const std::wstring temporary = Widen(temporary_path_);
  // ReplaceFileW keeps the replaced file's security and attributes.
  const std::set<std::wstring> replace_files_before = ReplaceFileLeftovers(directory_path_);
  if (ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                   nullptr, nullptr)) {
    temporary_path_.clear();
    return 0;
  }
  int error = LastError();
  RemoveNewReplaceFileLeftovers(directory_path_, replace_files_before);
  // With no file to replace, or with the old file gone while the new one could not take its
  // name, the new one moves there; while the old file is still there it stays as it was.
  if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
      temporary_path_.clear();
      return 0;
    }
    error = LastError();
    // Then the temporary file holds the only copy of the data: it stays.
    if (error != ERROR_FILE_NOT_FOUND)
      temporary_path_.clear();
  }
  return error;
}

void TWindowsOutputFile::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
}

TWindowsOutputFile::~TWindowsOutputFile() {
  Close();
  if (!temporary_path_.empty())
    DeleteFileW(Widen(temporary_path_).c_str());
}

}  // namespace velmorra
