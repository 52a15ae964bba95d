#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/temporary_file_name.h"

namespace velmorra {

const int TOutputFile::kNotOpenError = EBADF;

namespace {

constexpr int kNameAttempts = 100;

bool named_temporary_files_only = false;

// A temporary file is locked for as long as its writer has it open, so that a file nobody holds
// is known to be left over. False when another process holds the lock; a file system without
// locks leaves the file unlocked, and then never taken for left over.
bool LockTemporary(int descriptor) {
  return flock(descriptor, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

// Removes the temporary file `name` in `directory` when it is provably a leftover: a regular
// file of this user that no process holds, still under that name.
void RemoveIfLeftOver(int directory, const char* name) {
  // Some network file systems lock only files open for writing. Whatever else bears the name (a
  // link, or a FIFO whose open would wait for a writer for ever) is opened without waiting and
  // left alone.
  constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int descriptor = openat(directory, name, O_RDWR | kFlags);
  if (descriptor < 0 && errno == EACCES)
    descriptor = openat(directory, name, O_RDONLY | kFlags);
  if (descriptor < 0)
    return;
  struct stat opened, named;
  if (fstat(descriptor, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == geteuid() &&
      flock(descriptor, LOCK_EX | LOCK_NB) == 0 &&
      fstatat(directory, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
      named.st_ino == opened.st_ino) {
    unlinkat(directory, name, 0);
  }
  close(descriptor);
}

// Removes the temporary files that runs killed while writing left in `directory`. What cannot
// be read or removed stays.
void RemoveLeftOverTemporaries(int directory) {
  const int listing = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0)
    return;
  DIR* entries = fdopendir(listing);
  if (entries == nullptr) {
    close(listing);
    return;
  }
  while (const dirent* entry = readdir(entries)) {
    if (IsTemporaryFileName(entry->d_name))
      RemoveIfLeftOver(directory, entry->d_name);
  }
  closedir(entries);
}

// A crash right after the rename could otherwise lose the new directory entry; the file itself is
// complete either way, so a failure here is not reported.
void SyncDirectory(int directory) {
  const int descriptor = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0)
    return;
  fsync(descriptor);
  close(descriptor);
}

}  // namespace

void TOutputFile::UseNamedTemporaryFiles(bool named) {
  named_temporary_files_only = named;
}

bool TOutputFile::Create(const std::string& path) {
  Discard();
  Reset();
  SplitPath(path, directory_path_, target_name_);
  target_path_ = path;
  if (target_name_.empty())
    return Fail(path.empty() ? ENOENT : EISDIR);

  struct stat existing;
  if (stat(path.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode))
      return Fail(EISDIR);
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
      return Fail(errno);
    replaces_file_ = true;
    replaced_mode_ = existing.st_mode & 0777;
    replaced_owner_ = existing.st_uid;
    replaced_group_ = existing.st_gid;
  }

  directory_ = open(directory_path_.empty() ? "." : directory_path_.c_str(),
                    O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (directory_ < 0)
    return Fail(errno);
  RemoveLeftOverTemporaries(directory_);
  const bool opened =
      OpenTemporary(replaces_file_) ||
      (replaces_file_ && (error_number_ == EACCES || error_number_ == EPERM) && OpenInPlace());
  if (!opened) {
    const int error_number = error_number_;
    Discard();
    return Fail(error_number);
  }
  buffer_.reserve(kBlockSize);
  error_number_ = 0;
  return true;
}

// A file that replaces another is made private until Commit gives it that file's permissions;
// a new one gets the permissions of every new file.
bool TOutputFile::OpenTemporary(bool replaces_file) {
  const int mode = replaces_file ? 0600 : 0666;
  if (!named_temporary_files_only) {
    descriptor_ = openat(directory_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (descriptor_ >= 0) {
      LockTemporary(descriptor_);
      return true;
    }
  }
  return OpenNamedTemporary(mode);
}

bool TOutputFile::OpenNamedTemporary(int mode) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = NewTemporaryFileName();
    descriptor_ = openat(directory_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor_ < 0) {
      if (errno == EEXIST)
        continue;
      return Fail(errno);
    }
    if (!LockTemporary(descriptor_)) {
      // Taken for a leftover between its creation and the lock; whoever holds it removes it.
      close(descriptor_);
      descriptor_ = -1;
      continue;
    }
    temporary_name_ = name;
    temporary_path_ = directory_path_ + name;
    return true;
  }
  return Fail(EEXIST);
}

bool TOutputFile::OpenInPlace() {
  descriptor_ = openat(directory_, target_name_.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
  if (descriptor_ < 0)
    return Fail(errno);
  in_place_ = true;
  return true;
}

bool TOutputFile::WriteAll(const char* data, size_t count) {
  while (count > 0) {
    const ssize_t written = write(descriptor_, data, count);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0) {
      write_failed_ = true;
      // A write that takes nothing without saying why can only mean the disk is full.
      return Fail(written < 0 ? errno : ENOSPC);
    }
    data += written;
    count -= static_cast<size_t>(written);
    file_position_ += written;
  }
  return true;
}

int64_t TOutputFile::Read(void* buffer, size_t count) {
  if (!FlushBuffer())
    return -1;
  ssize_t read_count;
  do {
    read_count = read(descriptor_, buffer, count);
  } while (read_count < 0 && errno == EINTR);
  if (read_count < 0) {
    Fail(errno);
    return -1;
  }
  file_position_ += read_count;
  return read_count;
}

int64_t TOutputFile::Size() {
  if (!FlushBuffer())
    return -1;
  struct stat status;
  if (fstat(descriptor_, &status) != 0) {
    Fail(errno);
    return -1;
  }
  return status.st_size;
}

bool TOutputFile::SeekTo(int64_t position) {
  if (position == Position())
    return !write_failed_;
  if (!FlushBuffer())
    return false;
  const off_t reached = lseek(descriptor_, position, SEEK_SET);
  if (reached < 0)
    return Fail(errno);
  file_position_ = reached;
  return true;
}

bool TOutputFile::Truncate(int64_t size) {
  if (!FlushBuffer())
    return false;
  if (ftruncate(descriptor_, size) != 0)
    return Fail(errno);
  return true;
}

// The owner and group go first: a change of owner may clear permission bits.
bool TOutputFile::GiveReplacedAttributes() {
  struct stat status;
  if (fstat(descriptor_, &status) != 0)
    return Fail(errno);
  mode_t mode = replaced_mode_;
  if (status.st_uid != replaced_owner_ || status.st_gid != replaced_group_) {
    // Only a privileged process may give a file away; a user may still give it a group of theirs.
    if (fchown(descriptor_, replaced_owner_, replaced_group_) != 0 &&
        fchown(descriptor_, static_cast<uid_t>(-1), replaced_group_) != 0) {
      mode &= ~static_cast<mode_t>(070);
    }
  }
  if (fchmod(descriptor_, mode) != 0)
    return Fail(errno);
  return true;
}

// The file gets a short name of its own first: a link never replaces an existing name, a rename
// does.
bool TOutputFile::LinkNamelessFile() {
  const std::string descriptor_path = "/proc/self/fd/" + std::to_string(descriptor_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = NewTemporaryFileName();
    int linked =
        linkat(AT_FDCWD, descriptor_path.c_str(), directory_, name.c_str(), AT_SYMLINK_FOLLOW);
    if (linked != 0 && errno == ENOENT)  // no /proc
      linked = linkat(descriptor_, "", directory_, name.c_str(), AT_EMPTY_PATH);
    if (linked == 0) {
      temporary_name_ = name;
      temporary_path_ = directory_path_ + name;
      return true;
    }
    if (errno != EEXIST)
      return Fail(errno);
  }
  return Fail(EEXIST);
}

bool TOutputFile::Commit() {
  const bool committed = [this] {
    if (!FlushBuffer())
      return false;
    if (fsync(descriptor_) != 0)
      return Fail(errno);
    if (in_place_)
      return true;
    if (replaces_file_ && !GiveReplacedAttributes())
      return false;
    if (temporary_name_.empty() && !LinkNamelessFile())
      return false;
    if (renameat(directory_, temporary_name_.c_str(), directory_, target_name_.c_str()) != 0)
      return Fail(errno);
    temporary_name_.clear();
    temporary_path_.clear();
    return true;
  }();
  if (!committed) {
    Discard();
    return false;
  }
  const int descriptor = descriptor_;
  descriptor_ = -1;
  // Every byte is on disk already, so a failing close loses nothing.
  close(descriptor);
  if (!in_place_)
    SyncDirectory(directory_);
  Discard();
  return true;
}

void TOutputFile::Discard() {
  if (descriptor_ >= 0) {
    close(descriptor_);
    descriptor_ = -1;
  }
  if (!temporary_name_.empty()) {
    unlinkat(directory_, temporary_name_.c_str(), 0);
    temporary_name_.clear();
    temporary_path_.clear();
  }
  if (directory_ >= 0) {
    close(directory_);
    directory_ = -1;
  }
  buffer_.clear();
}

}  // namespace velmorra
