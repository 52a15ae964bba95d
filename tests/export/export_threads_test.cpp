// The export's two threads when one of them fails: an error on the reading thread reaches the
// caller, and a builder that fails leaves no reader waiting. The failures are made by this
// program's own operator new, which can refuse one allocation on a chosen thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "export/sms_backup_export.h"
#include "export_test_doubles.h"
#include "support/message_datastore.h"
#include "support/temp_directory.h"

namespace {

// The allocation to refuse: the first one of at least `g_fail_size` bytes on a thread that is not
// `g_spared_thread` (g_on_other_thread), or the first one on `g_spared_thread` after another
// thread allocated (!g_on_other_thread). Refused once, then disarmed.
std::atomic<bool> g_armed{false};
std::atomic<bool> g_on_other_thread{false};
std::atomic<bool> g_other_thread_allocated{false};
std::atomic<bool> g_refused{false};
std::atomic<size_t> g_fail_size{0};
std::thread::id g_spared_thread;
// Set on a thread whose allocations take no part (the watchdog's).
thread_local bool t_bystander = false;

bool RefuseThis(size_t size) {
  if (!g_armed.load() || t_bystander)
    return false;
  const bool other_thread = std::this_thread::get_id() != g_spared_thread;
  if (g_on_other_thread.load()) {
    if (!other_thread || size < g_fail_size.load())
      return false;
  } else if (other_thread) {
    g_other_thread_allocated = true;
    return false;
  } else if (!g_other_thread_allocated.load()) {
    return false;
  }
  if (g_armed.exchange(false)) {
    g_refused = true;
    return true;
  }
  return false;
}

void Arm(bool on_other_thread, size_t size) {
  g_spared_thread = std::this_thread::get_id();
  g_on_other_thread = on_other_thread;
  g_fail_size = size;
  g_other_thread_allocated = false;
  g_refused = false;
  g_armed = true;
}

}  // namespace

// The replaced operators are a pair (malloc and free), which g++ cannot see where it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  if (RefuseThis(size))
    throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size))
    return memory;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  return operator new(size);
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
  std::free(memory);
}

namespace velmorra {
namespace {

using testing::TMessageDatastore;
using testing::TRecordingMessageBoxes;
using testing::TTempDirectory;

// Ends the program when the test it guards does not finish within a minute: a thread left waiting
// would otherwise hold the test until CTest's own limit.
class TWatchdog {
 public:
  TWatchdog()
      : thread_([this] {
          t_bystander = true;
          std::unique_lock lock(mutex_);
          if (!done_changed_.wait_for(lock, std::chrono::minutes(1), [this] { return done_; })) {
            std::fprintf(stderr, "the export did not return: a thread is left waiting\n");
            std::_Exit(1);
          }
        }) {}
  ~TWatchdog() {
    {
      const std::lock_guard lock(mutex_);
      done_ = true;
    }
    done_changed_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  std::thread thread_;
};

void WriteMessages(const std::string& path, int count, const std::string& long_body_at = "") {
  TMessageDatastore datastore(path);
  datastore.Execute("BEGIN");
  for (int i = 0; i < count; ++i) {
    const std::string body = std::to_string(i) == long_body_at ? std::string(1 << 20, 'x')
                                                               : "message " + std::to_string(i);
    datastore.Insert({{"IMEI", "356938035643809"},
                      {"type", "SMS"},
                      {"Sender", "5551234"},
                      {"SentReceivedTimestamp", 40179.5},
                      {"Status", 1},
                      {"Text", body}});
  }
  datastore.Execute("COMMIT");
}

bool IsEmptyFolder(const std::string& path) {
  return std::filesystem::is_empty(testing::Utf8Path(path));
}

// The reading thread runs out of memory on a long text after several batches went to the builder:
// the export raises that error rather than write the messages read before it.
TEST(ExportThreads, AnErrorOnTheReadingThreadReachesTheCaller) {
  TTempDirectory input;
  TTempDirectory output;
  WriteMessages(input.File("MDataStore.db3"), 3000, "2000");
  TRecordingMessageBoxes messages;
  TWatchdog watchdog;

  Arm(true, 1 << 20);
  EXPECT_THROW(
      ExportSmsBackup(input.File("MDataStore.db3"), 0, "All Phones", messages, output.Path()),
      std::bad_alloc);
  g_armed = false;
  EXPECT_TRUE(g_refused) << "no allocation of the long text on the reading thread";
  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_TRUE(IsEmptyFolder(output.Path()));
}

// The builder fails while the reading thread, with more rows than the batches in circulation can
// hold, waits for a batch to come back: the export still returns with the builder's error.
TEST(ExportThreads, ABuilderThatFailsLeavesNoReaderWaiting) {
  TTempDirectory input;
  TTempDirectory output;
  WriteMessages(input.File("MDataStore.db3"), 6000);
  TRecordingMessageBoxes messages;
  TWatchdog watchdog;

  Arm(false, 0);
  EXPECT_THROW(
      ExportSmsBackup(input.File("MDataStore.db3"), 0, "All Phones", messages, output.Path()),
      std::bad_alloc);
  g_armed = false;
  EXPECT_TRUE(g_refused);
  EXPECT_TRUE(IsEmptyFolder(output.Path()));
}

}  // namespace
}  // namespace velmorra
