#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "platform/system_output_file.h"
#include "platform/temporary_file_name.h"

namespace velmorra {

const int kFileNotOpenError = EBADF;

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

// The file as Linux writes it: a file without a name (O_TMPFILE) in the target's directory where
// the file system allows that, else a named one; linked or renamed into place by Commit.
class TLinuxOutputFile : public TSystemOutputFile {
 public:
  TLinuxOutputFile() = default;
  ~TLinuxOutputFile() override;
  TLinuxOutputFile(const TLinuxOutputFile&) = delete;
  TLinuxOutputFile& operator=(const TLinuxOutputFile&) = delete;

  int Open(const std::string& path);

  int Write(const char* data, size_t count, int64_t& position) override;
  int Read(void* buffer, size_t count, int64_t& read_count) override;
  int Size(int64_t& size) override;
  int Seek(int64_t position, int64_t& reached) override;
  int Truncate(int64_t size, int64_t position) override;
  int Commit() override;
  bool WritesInPlace() const override { return in_place_; }
  const std::string& TemporaryPath() const override { return temporary_path_; }

 private:
  int OpenTemporary();
  int OpenNamedTemporary(int mode);
  int OpenInPlace();
  int GiveReplacedAttributes();
  int LinkNamelessFile();

  std::string target_name_;
  std::string directory_path_;
  std::string temporary_name_;  // in the directory; empty while the file has no name
  std::string temporary_path_;
  int directory_ = -1;
  int descriptor_ = -1;
  bool in_place_ = false;
  // The permissions, owner and group of the file being replaced, when there is one.
  bool replaces_file_ = false;
  mode_t replaced_mode_ = 0;
  uid_t replaced_owner_ = 0;
  gid_t replaced_group_ = 0;
};

}  // namespace

void TOutputFile::UseNamedTemporaryFiles(bool named) {
  named_temporary_files_only = named;
}

int CreateSystemOutputFile(const std::string& path, std::unique_ptr<TSystemOutputFile>& file) {
  auto linux_file = std::make_unique<TLinuxOutputFile>();
  if (const int error = linux_file->Open(path))
    return error;
  file = std::move(linux_file);
  return 0;
}

int TLinuxOutputFile::Open(const std::string& path) {
  SplitOutputPath(path, directory_path_, target_name_);
  if (target_name_.empty())
    return path.empty() ? ENOENT : EISDIR;

  struct stat existing;
  if (stat(path.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode))
      return EISDIR;
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
      return errno;
    replaces_file_ = true;
    replaced_mode_ = existing.st_mode & 0777;
    replaced_owner_ = existing.st_uid;
    replaced_group_ = existing.st_gid;
  }

  directory_ = open(directory_path_.empty() ? "." : directory_path_.c_str(),
                    O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (directory_ < 0)
    return errno;
  RemoveLeftOverTemporaries(directory_);
  const int error = OpenTemporary();
  if (error == 0 || !replaces_file_ || (error != EACCES && error != EPERM))
    return error;
  return OpenInPlace();
}

// A file that replaces another is made private until Commit gives it that file's permissions;
// a new one gets the permissions of every new file.
int TLinuxOutputFile::OpenTemporary() {
  const int mode = replaces_file_ ? 0600 : 0666;
  if (!named_temporary_files_only) {
    descriptor_ = openat(directory_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (descriptor_ >= 0) {
      LockTemporary(descriptor_);
      return 0;
    }
  }
  return OpenNamedTemporary(mode);
}

int TLinuxOutputFile::OpenNamedTemporary(int mode) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = NewTemporaryFileName();
    descriptor_ = openat(directory_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor_ < 0) {
      if (errno == EEXIST)
        continue;
      return errno;
    }
    if (!LockTemporary(descriptor_)) {
      // Taken for a leftover between its creation and the lock; whoever holds it removes it.
      close(descriptor_);
      descriptor_ = -1;
      continue;
    }
    temporary_name_ = name;
    temporary_path_ = directory_path_ + name;
    return 0;
  }
  return EEXIST;
}

int TLinuxOutputFile::OpenInPlace() {
  descriptor_ = openat(directory_, target_name_.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
  if (descriptor_ < 0)
    return errno;
  in_place_ = true;
  return 0;
}

int TLinuxOutputFile::Write(const char* data, size_t count, int64_t& position) {
  while (count > 0) {
    const ssize_t written = write(descriptor_, data, count);
    if (written < 0 && errno == EINTR)
      continue;
    // A write that takes nothing without saying why can only mean the disk is full.
    if (written <= 0)
      return written < 0 ? errno : ENOSPC;
    data += written;
    count -= static_cast<size_t>(written);
    position += written;
  }
  return 0;
}

int TLinuxOutputFile::Read(void* buffer, size_t count, int64_t& read_count) {
  ssize_t result;
  do {
    result = read(descriptor_, buffer, count);
  } while (result < 0 && errno == EINTR);
  if (result < 0)
    return errno;
  read_count = result;
  return 0;
}

int TLinuxOutputFile::Size(int64_t& size) {
  struct stat status;
  if (fstat(descriptor_, &status) != 0)
    return errno;
  size = status.st_size;
  return 0;
}

int TLinuxOutputFile::Seek(int64_t position, int64_t& reached) {
  const off_t offset = lseek(descriptor_, position, SEEK_SET);
  if (offset < 0)
    return errno;
  reached = offset;
  return 0;
}

int TLinuxOutputFile::Truncate(int64_t size, int64_t) {
  return ftruncate(descriptor_, size) == 0 ? 0 : errno;
}

// The owner and group go first: a change of owner may clear permission bits.
int TLinuxOutputFile::GiveReplacedAttributes() {
  struct stat status;
  if (fstat(descriptor_, &status) != 0)
    return errno;
  mode_t mode = replaced_mode_;
  if (status.st_uid != replaced_owner_ || status.st_gid != replaced_group_) {
    // Only a privileged process may give a file away; a user may still give it a group of theirs.
    if (fchown(descriptor_, replaced_owner_, replaced_group_) != 0 &&
        fchown(descriptor_, static_cast<uid_t>(-1), replaced_group_) != 0) {
      mode &= ~static_cast<mode_t>(070);
    }
  }
  return fchmod(descriptor_, mode) == 0 ? 0 : errno;
}

// The file gets a short name of its own first: a link never replaces an existing name, a rename
// does.
int TLinuxOutputFile::LinkNamelessFile() {
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
      return 0;
    }
    if (errno != EEXIST)
      return errno;
  }
  return EEXIST;
}

int TLinuxOutputFile::Commit() {
  if (fsync(descriptor_) != 0)
    return errno;
  if (!in_place_) {
    if (replaces_file_) {
      if (const int error = GiveReplacedAttributes())
        return error;
    }
    if (temporary_name_.empty()) {
      if (const int error = LinkNamelessFile())
        return error;
    }
    if (renameat(directory_, temporary_name_.c_str(), directory_, target_name_.c_str()) != 0)
      return errno;
    temporary_name_.clear();
    temporary_path_.clear();
  }
  const int descriptor = descriptor_;
  descriptor_ = -1;
  // Every byte is on disk already, so a failing close loses nothing.
  close(descriptor);
  if (!in_place_)
    SyncDirectory(directory_);
  return 0;
}

TLinuxOutputFile::~TLinuxOutputFile() {
  if (descriptor_ >= 0)
    close(descriptor_);
  if (!temporary_name_.empty())
    unlinkat(directory_, temporary_name_.c_str(), 0);
  if (directory_ >= 0)
    close(directory_);
}

}  // namespace velmorra
