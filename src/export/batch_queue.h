#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace velmorra {

// A queue that hands items from one thread to another. Pop waits for an item; once the queue is
// closed it hands out what is left and then nothing. Abandon closes it and drops what is left, for
// a consumer that stops early. Any number of threads may use it at once.
template <typename TItem>
class TBatchQueue {
 public:
  // Adds `item` at the end; an item pushed after Close or Abandon is dropped.
  void Push(TItem item) {
    {
      const std::lock_guard lock(mutex_);
      if (closed_)
        return;
      items_.push_back(std::move(item));
    }
    changed_.notify_one();
  }

  // The first item, waiting for one while the queue is open; nothing once it is closed and empty.
  std::optional<TItem> Pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return closed_ || !items_.empty(); });
    if (items_.empty())
      return std::nullopt;
    std::optional<TItem> item(std::move(items_.front()));
    items_.pop_front();
    return item;
  }

  void Close() {
    {
      const std::lock_guard lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
  }

  void Abandon() {
    std::deque<TItem> dropped;
    {
      const std::lock_guard lock(mutex_);
      closed_ = true;
      dropped.swap(items_);
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TItem> items_;
  bool closed_ = false;
};

}  // namespace velmorra
