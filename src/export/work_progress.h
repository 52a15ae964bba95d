#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include <string>

#include "xml/byte_stream.h"
#include "xml/xml_interfaces.h"

namespace velmorra {

class TLite3Db;

// How the caller of a long read of a datastore (the phone list, the export) follows it and stops
// it. The read calls Total and Done on its own thread; Cancel may come from any thread. A
// cancelled read ends at its next batch of rows, or at once inside a query or a wait for another
// program's lock, shows no message and writes nothing.
class TWorkProgress {
 public:
  // Called once, before the first batch, with the number of rows the read goes through. When it
  // is not set the rows are not counted first, which saves a pass over them.
  std::function<void(int64_t rows)> Total;
  // Called after each batch with the number of rows read so far.
  std::function<void(int64_t rows)> Done;

  void Cancel();
  bool Cancelled() const { return cancelled_; }

 private:
  friend class TInterruptOnCancel;
  std::mutex mutex_;
  std::atomic<bool> cancelled_{false};
  TLite3Db* connection_ = nullptr;  // interrupted by Cancel while set
};

// True when `progress` is given and cancelled.
inline bool IsCancelled(const TWorkProgress* progress) {
  return progress != nullptr && progress->Cancelled();
}

// For its life, lets a Cancel of `progress` (none when it is nullptr) interrupt the statement under
// way on the open connection `db`. Make it right after `db` is opened and let it go before `db`
// closes. A statement that starts after the Cancel is not interrupted: look at Cancelled before
// each one.
class TInterruptOnCancel {
 public:
  TInterruptOnCancel(TWorkProgress* progress, TLite3Db& db);
  ~TInterruptOnCancel();
  TInterruptOnCancel(const TInterruptOnCancel&) = delete;
  TInterruptOnCancel& operator=(const TInterruptOnCancel&) = delete;

 private:
  TWorkProgress* progress_;
};

// A byte stream that hands everything to `stream` until `progress` is cancelled and from then on
// takes no more bytes: a short write, which stops a document's writer. Both must outlive it.
class TCancellableStream : public TByteStream {
 public:
  TCancellableStream(TByteStream& stream, const TWorkProgress& progress)
      : stream_(stream), progress_(progress) {}

  int64_t Read(void* buffer, int64_t count) override { return stream_.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return stream_.Seek(offset, origin); }
  void SetSize(int64_t size) override { stream_.SetSize(size); }

 private:
  TByteStream& stream_;
  const TWorkProgress& progress_;
};

// Writes `document` into `path`, indented, as SaveToFile does, but puts the file in place only
// when `progress` (none when nullptr) was not cancelled by then: a cancel stops the writing at its
// next block and leaves whatever was at `path` as it was (unless the file is written in place, as
// TOutputFile explains). False when it was cancelled. Raises what SaveToFile raises.
bool SaveUnlessCancelled(IXMLDocument& document, const std::string& path, TWorkProgress* progress);

}  // namespace velmorra
