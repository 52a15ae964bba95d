#include "xml/child_chunk_writer.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "xml/memory_byte_stream.h"
#include "xml/xml_node_list.h"
#include "xml/xml_nodes.h"
#include "xml/xml_text_stream.h"

namespace velmorra {

namespace {

// How many chunks may be taken but not yet handed over.
constexpr int32_t kChunksInFlight = 4;

struct TChunk {
  TMemoryByteStream bytes;
  std::exception_ptr error;
  bool done = false;
};

// The chunks of one call, shared by the two threads. Chunk k is written into slot k modulo
// kChunksInFlight, which is free again once chunk k - kChunksInFlight has been handed over.
class TChunkedWrite {
 public:
  TChunkedWrite(const TXMLNodeList& children, TXMLTextStream& stream, int32_t children_per_chunk)
      : children_(children),
        stream_(stream),
        per_chunk_(children_per_chunk),
        chunk_count_((children.Length() + children_per_chunk - 1) / children_per_chunk),
        slots_(kChunksInFlight) {}

  // The helper thread's work: take chunks and write them until none is left or Stop.
  void Help() {
    std::unique_lock lock(mutex_);
    while (true) {
      changed_.wait(lock, [this] { return stop_ || next_ >= chunk_count_ || CanTake(); });
      if (stop_ || next_ >= chunk_count_)
        return;
      WriteTaken(next_++, lock);
    }
  }

  // The calling thread's work: hand the chunks over in order, writing chunks itself while the
  // next one to hand over is not done.
  void HandOver() {
    for (int32_t chunk = 0; chunk < chunk_count_; ++chunk) {
      TChunk& slot = slots_[chunk % kChunksInFlight];
      {
        std::unique_lock lock(mutex_);
        while (!slot.done) {
          if (CanTake() && next_ < chunk_count_) {
            WriteTaken(next_++, lock);
          } else {
            changed_.wait(lock);
          }
        }
      }
      if (slot.error)
        std::rethrow_exception(slot.error);
      stream_.EmitEncoded(slot.bytes.Bytes());
      {
        const std::lock_guard lock(mutex_);
        slot.bytes.Clear();
        slot.done = false;
        handed_over_ = chunk + 1;
      }
      changed_.notify_all();
    }
  }

  void Stop() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
  }

 private:
  bool CanTake() const { return next_ < handed_over_ + kChunksInFlight; }

  // Writes chunk `chunk`, which the caller has just taken, with the lock released meanwhile.
  void WriteTaken(int32_t chunk, std::unique_lock<std::mutex>& lock) {
    TChunk& slot = slots_[chunk % kChunksInFlight];
    lock.unlock();
    try {
      TXMLTextStream writer(slot.bytes, stream_);
      const int32_t end = std::min(children_.Length(), (chunk + 1) * per_chunk_);
      for (int32_t i = chunk * per_chunk_; i < end; ++i)
        children_.WriteItem(i, writer);
    } catch (...) {
      slot.error = std::current_exception();
    }
    lock.lock();
    slot.done = true;
    changed_.notify_all();
  }

  const TXMLNodeList& children_;
  TXMLTextStream& stream_;
  const int32_t per_chunk_;
  const int32_t chunk_count_;
  std::vector<TChunk> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int32_t next_ = 0;         // the next chunk to take
  int32_t handed_over_ = 0;  // chunks handed to the stream
  bool stop_ = false;
};

// Stops and joins the helper however HandOver ends.
class THelperThread {
 public:
  explicit THelperThread(TChunkedWrite& write) : write_(write) {
    try {
      thread_ = std::thread([&write] { write.Help(); });
    } catch (const std::system_error&) {
      // No second thread to be had: the calling thread writes every chunk itself.
    }
  }
  ~THelperThread() {
    write_.Stop();
    if (thread_.joinable())
      thread_.join();
  }
  THelperThread(const THelperThread&) = delete;
  THelperThread& operator=(const THelperThread&) = delete;

 private:
  TChunkedWrite& write_;
  std::thread thread_;
};

}  // namespace

void WriteChildrenInChunks(const TXMLNodeList& children, TXMLTextStream& stream,
                           int32_t children_per_chunk) {
  TChunkedWrite write(children, stream, std::max(children_per_chunk, int32_t{1}));
  const THelperThread helper(write);
  write.HandOver();
}

}  // namespace velmorra
