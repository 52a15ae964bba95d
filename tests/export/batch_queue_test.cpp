#include "export/batch_queue.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace velmorra {
namespace {

using TItem = std::shared_ptr<int>;

TEST(BatchQueue, CloseHandsOutWhatIsLeftThenNothing) {
  TBatchQueue<TItem> queue;
  queue.Push(std::make_shared<int>(1));
  queue.Push(std::make_shared<int>(2));
  queue.Close();
  const std::weak_ptr<int> late = [&] {
    TItem item = std::make_shared<int>(3);
    queue.Push(item);
    return std::weak_ptr<int>(item);
  }();

  EXPECT_EQ(**queue.Pop(), 1);
  EXPECT_EQ(**queue.Pop(), 2);
  EXPECT_FALSE(queue.Pop().has_value());
  EXPECT_TRUE(late.expired()) << "an item pushed after Close is dropped";
}

// A consumer that stops early abandons the queue: what is left is freed at once, a producer
// waiting for an item wakes with nothing, and later items are dropped.
TEST(BatchQueue, AbandonFreesWhatIsLeftAndWakesAWaitingThread) {
  TBatchQueue<TItem> full;
  TItem left = std::make_shared<int>(1);
  const std::weak_ptr<int> left_watch = left;
  full.Push(std::move(left));
  full.Abandon();
  EXPECT_TRUE(left_watch.expired());
  EXPECT_FALSE(full.Pop().has_value());
  TItem late = std::make_shared<int>(2);
  const std::weak_ptr<int> late_watch = late;
  full.Push(std::move(late));
  EXPECT_TRUE(late_watch.expired());

  TBatchQueue<TItem> empty;
  bool woke_with_nothing = false;
  std::thread waiting([&] { woke_with_nothing = !empty.Pop().has_value(); });
  empty.Abandon();
  waiting.join();
  EXPECT_TRUE(woke_with_nothing);
}

}  // namespace
}  // namespace velmorra
