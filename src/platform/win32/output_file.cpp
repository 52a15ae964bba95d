#include "platform/output_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/temporary_file_name.h"
#include "platform/win32/file_identity.h"
#include "platform/win32/wide_text.h"

namespace velmorra {

const int TOutputFile::kNotOpenError = ERROR_INVALID_HANDLE;

// The file is written through a Windows handle that the C run-time's descriptor in descriptor_
// owns (_open_osfhandle), so that closing the descriptor closes the handle.

namespace {

constexpr int kNameAttempts = 100;

HANDLE HandleOf(int descriptor) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

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

}  // namespace

// Windows always names its files: the temporary file has a name everywhere.
void TOutputFile::UseNamedTemporaryFiles(bool) {}

bool TOutputFile::Create(const std::string& path) {
  Discard();
  Reset();
  // ReplaceFileW wants full paths: a relative one fails.
  const std::string full_path = FullPathName(path);
  SplitPath(full_path, directory_path_, target_name_);
  if (target_name_.empty())
    return Fail(path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);

  const DWORD attributes = GetFileAttributesW(Widen(full_path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
    return Fail(ERROR_ACCESS_DENIED);

  RemoveLeftOverTemporaries(directory_path_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = directory_path_ + NewTemporaryFileName();
    HANDLE handle = CreateFileW(Widen(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS)
        continue;
      return Fail(static_cast<int>(GetLastError()));
    }
    descriptor_ = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (descriptor_ < 0) {
      CloseHandle(handle);
      DeleteFileW(Widen(candidate).c_str());
      return Fail(ERROR_TOO_MANY_OPEN_FILES);
    }
    target_path_ = full_path;
    temporary_path_ = candidate;
    buffer_.reserve(kBlockSize);
    return true;
  }
  return Fail(ERROR_FILE_EXISTS);
}

bool TOutputFile::WriteAll(const char* data, size_t count) {
  while (count > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(HandleOf(descriptor_), data, chunk, &written, nullptr) || written == 0) {
      write_failed_ = true;
      // A write that takes nothing without saying why can only mean the disk is full.
      return Fail(written == 0 && GetLastError() == ERROR_SUCCESS
                      ? ERROR_DISK_FULL
                      : static_cast<int>(GetLastError()));
    }
    data += written;
    count -= written;
    file_position_ += written;
  }
  return true;
}

int64_t TOutputFile::Read(void* buffer, size_t count) {
  if (!FlushBuffer())
    return -1;
  DWORD read_count = 0;
  const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
  if (!ReadFile(HandleOf(descriptor_), buffer, chunk, &read_count, nullptr)) {
    Fail(static_cast<int>(GetLastError()));
    return -1;
  }
  file_position_ += read_count;
  return read_count;
}

int64_t TOutputFile::Size() {
  if (!FlushBuffer())
    return -1;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(HandleOf(descriptor_), &size)) {
    Fail(static_cast<int>(GetLastError()));
    return -1;
  }
  return size.QuadPart;
}

bool TOutputFile::SeekTo(int64_t position) {
  if (position == Position())
    return !write_failed_;
  if (!FlushBuffer())
    return false;
  LARGE_INTEGER distance, reached;
  distance.QuadPart = position;
  if (!SetFilePointerEx(HandleOf(descriptor_), distance, &reached, FILE_BEGIN))
    return Fail(static_cast<int>(GetLastError()));
  file_position_ = reached.QuadPart;
  return true;
}

bool TOutputFile::Truncate(int64_t size) {
  if (!FlushBuffer())
    return false;
  // The end of file is set at the file pointer: move it there and back.
  const HANDLE handle = HandleOf(descriptor_);
  LARGE_INTEGER end, position;
  end.QuadPart = size;
  position.QuadPart = file_position_;
  if (!SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)) {
    const int error = static_cast<int>(GetLastError());
    SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);
    return Fail(error);
  }
  if (!SetFilePointerEx(handle, position, nullptr, FILE_BEGIN))
    return Fail(static_cast<int>(GetLastError()));
  return true;
}

bool TOutputFile::Commit() {
  if (!FlushBuffer()) {
    Discard();
    return false;
  }
  if (!FlushFileBuffers(HandleOf(descriptor_))) {
    Fail(static_cast<int>(GetLastError()));
    Discard();
    return false;
  }
  _close(descriptor_);
  descriptor_ = -1;

  const std::wstring target = Widen(target_path_);
  const std::wstring temporary = Widen(temporary_path_);
  // ReplaceFileW keeps the replaced file's security and attributes.
  const std::set<std::wstring> replace_files_before = ReplaceFileLeftovers(directory_path_);
  if (ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                   nullptr, nullptr)) {
    temporary_path_.clear();
    return true;
  }
  Fail(static_cast<int>(GetLastError()));
  RemoveNewReplaceFileLeftovers(directory_path_, replace_files_before);
  // With no file to replace, or with the old file gone while the new one could not take its
  // name, the new one moves there; while the old file is still there it stays as it was.
  if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
      temporary_path_.clear();
      error_number_ = 0;
      return true;
    }
    Fail(static_cast<int>(GetLastError()));
    // Then the temporary file holds the only copy of the data: it stays.
    if (GetLastError() != ERROR_FILE_NOT_FOUND)
      temporary_path_.clear();
  }
  Discard();
  return false;
}

void TOutputFile::Discard() {
  if (descriptor_ >= 0) {
    _close(descriptor_);
    descriptor_ = -1;
  }
  if (!temporary_path_.empty()) {
    DeleteFileW(Widen(temporary_path_).c_str());
    temporary_path_.clear();
  }
  buffer_.clear();
}

}  // namespace velmorra
