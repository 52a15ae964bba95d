#pragma once

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/message_box.h"

namespace velmorra {

// Where the window's long work runs, away from the window's thread. The window starts one work at
// a time, and the next only after the previous one has told it, on the window's thread, that it
// ended.
class IWorkRunner {
 public:
  virtual ~IWorkRunner() = default;
  // Runs `work`, which must not throw, on another thread.
  virtual void Start(std::function<void()> work) = 0;
  // Returns once the work started last has ended.
  virtual void Wait() = 0;
};

// The program's runner: a thread for each work, joined before the next starts and when the runner
// goes.
class TWorkThread : public IWorkRunner {
 public:
  TWorkThread() = default;
  ~TWorkThread() override { Wait(); }
  TWorkThread(const TWorkThread&) = delete;
  TWorkThread& operator=(const TWorkThread&) = delete;

  void Start(std::function<void()> work) override;
  void Wait() override;

 private:
  std::thread thread_;
};

// Message boxes for work away from the window: they only keep what would have been shown, to be
// shown on the window's thread once the work has ended.
class TRecordedMessages : public IMessageBoxes {
 public:
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override {
    shown_.emplace_back(kind, text);
  }
  // The first text kept; empty when there is none.
  std::string FirstText() const { return shown_.empty() ? std::string() : shown_.front().second; }
  // Shows what was kept, in order, in `messages`.
  void ShowIn(IMessageBoxes& messages) const;

 private:
  std::vector<std::pair<TMessageBoxKind, std::string>> shown_;
};

// What escaped a work: nothing, the failure to create or to write a file (which a user meets and
// can mend), or a surprise for the error report.
struct TEscapedError {
  enum class TKind { None, FileCreate, FileWrite, Surprise };
  TKind Kind = TKind::None;
  std::string Text;
};

// Runs `action` and says what escaped it, if anything did.
TEscapedError RunCatching(const std::function<void()>& action) noexcept;

}  // namespace velmorra
