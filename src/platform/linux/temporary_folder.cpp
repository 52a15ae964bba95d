#include "platform/temporary_folder.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <mutex>

namespace velmorra {

namespace {

constexpr char kNamePrefix[] = "velmorra-copy-";
// mkdtemp's six letters or digits after the prefix.
constexpr size_t kNameLength = sizeof kNamePrefix - 1 + 6;

// ---- Removal on interruption ----

// The folders to remove when a signal interrupts the program. A signal handler may read them at
// any moment: a path is written before its slot is marked used, and only a free slot is written.
struct TRegisteredFolder {
  std::atomic<bool> Used{false};
  char Path[PATH_MAX];
};
std::array<TRegisteredFolder, 8> registered_folders;

constexpr std::array<int, 3> kInterruptions = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kInterruptions.size()> previous_actions;

// Removes every entry of the folder at `path`, then the folder, with calls that a signal handler
// may make. Links in it are removed, not followed.
void RemoveFolderNow(const char* path) {
  const int folder = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder >= 0) {
    alignas(struct dirent64) char entries[4096];
    for (bool removed = true; removed;) {
      removed = false;
      lseek(folder, 0, SEEK_SET);
      for (ssize_t size; (size = getdents64(folder, entries, sizeof entries)) > 0;) {
        for (ssize_t at = 0; at < size;) {
          const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
          at += entry->d_reclen;
          if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            removed |= unlinkat(folder, entry->d_name, 0) == 0;
        }
      }
    }
    close(folder);
  }
  rmdir(path);
}

void RemoveFoldersAndEnd(int signal_number) {
  for (TRegisteredFolder& folder : registered_folders) {
    if (folder.Used.load(std::memory_order_acquire))
      RemoveFolderNow(folder.Path);
  }
  // The signal is blocked while its handler runs: raised again under the action it had before,
  // it ends the program (or reaches that handler) as soon as this one returns.
  for (size_t i = 0; i < kInterruptions.size(); ++i) {
    if (kInterruptions[i] == signal_number)
      sigaction(signal_number, &previous_actions[i], nullptr);
  }
  raise(signal_number);
}

// Installs the handler for each interruption whose signal is not ignored (as nohup makes SIGHUP).
void HandleInterruptions() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    for (size_t i = 0; i < kInterruptions.size(); ++i) {
      if (sigaction(kInterruptions[i], nullptr, &previous_actions[i]) != 0 ||
          previous_actions[i].sa_handler == SIG_IGN) {
        continue;
      }
      struct sigaction action {};
      action.sa_handler = RemoveFoldersAndEnd;
      sigemptyset(&action.sa_mask);
      for (const int other : kInterruptions)
        sigaddset(&action.sa_mask, other);
      sigaction(kInterruptions[i], &action, nullptr);
    }
  });
}

// The slot now holding `path`; nullptr when all are taken (the folder then goes only with its
// object, or with a later run).
TRegisteredFolder* Register(const std::string& path) {
  static std::mutex slots;
  const std::lock_guard<std::mutex> lock(slots);
  for (TRegisteredFolder& folder : registered_folders) {
    if (!folder.Used.load(std::memory_order_relaxed) && path.size() < sizeof folder.Path) {
      memcpy(folder.Path, path.c_str(), path.size() + 1);
      folder.Used.store(true, std::memory_order_release);
      return &folder;
    }
  }
  return nullptr;
}

// ---- Folders left over ----

bool IsFolderName(const char* name) {
  return strlen(name) == kNameLength && strncmp(name, kNamePrefix, sizeof kNamePrefix - 1) == 0;
}

// Removes the folder `name` in `base` when it is provably left over: a folder of this user (not a
// link) that no process holds locked, still under that name.
void RemoveIfLeftOver(int base, const char* name) {
  const int folder = openat(base, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0)
    return;
  struct stat opened, named;
  if (fstat(folder, &opened) == 0 && opened.st_uid == geteuid() &&
      flock(folder, LOCK_EX | LOCK_NB) == 0 &&
      fstatat(base, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
      named.st_ino == opened.st_ino) {
    if (DIR* entries = fdopendir(dup(folder))) {
      while (const dirent* entry = readdir(entries))
        unlinkat(folder, entry->d_name, 0);  // "." and ".." and folders are refused
      closedir(entries);
    }
    unlinkat(base, name, AT_REMOVEDIR);
  }
  close(folder);
}

void RemoveLeftOverFolders(const std::string& base_path) {
  DIR* entries = opendir(base_path.c_str());
  if (entries == nullptr)
    return;
  while (const dirent* entry = readdir(entries)) {
    if (IsFolderName(entry->d_name))
      RemoveIfLeftOver(dirfd(entries), entry->d_name);
  }
  closedir(entries);
}

}  // namespace

// The descriptor of the folder, locked, and its slot for interruptions.
class TTemporaryFolder::THold {
 public:
  int Descriptor = -1;
  TRegisteredFolder* Slot = nullptr;
};

TTemporaryFolder::TTemporaryFolder() = default;

TTemporaryFolder::~TTemporaryFolder() {
  Remove();
}

void TTemporaryFolder::Remove() {
  if (path_.empty())
    return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  if (hold_->Slot != nullptr)
    hold_->Slot->Used.store(false, std::memory_order_release);
  close(hold_->Descriptor);
  hold_.reset();
  path_.clear();
}

bool TTemporaryFolder::Create() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error)
    base = "/tmp";
  RemoveLeftOverFolders(base.string());
  HandleInterruptions();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string pattern = (base / (std::string(kNamePrefix) + "XXXXXX")).string();
    // mkdtemp makes the folder with mode 0700.
    if (mkdtemp(pattern.data()) == nullptr) {
      error_number_ = errno;
      return false;
    }
    const int descriptor = open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status;
    // Another run may have taken the folder for left over before it was locked, and removed it.
    if (descriptor >= 0 && flock(descriptor, LOCK_EX | LOCK_NB) == 0 &&
        fstat(descriptor, &status) == 0 && status.st_nlink > 0) {
      hold_ = std::make_unique<THold>();
      hold_->Descriptor = descriptor;
      path_ = pattern + "/";
      hold_->Slot = Register(path_);
      return true;
    }
    if (descriptor >= 0)
      close(descriptor);
  }
  error_number_ = EEXIST;
  return false;
}

}  // namespace velmorra
