#include "export/work_progress.h"

#include "db/lite3_db.h"
#include "xml/output_file_stream.h"
#include "xml/xml_exception.h"

namespace velmorra {

void TWorkProgress::Cancel() {
  const std::lock_guard lock(mutex_);
  cancelled_ = true;
  if (connection_ != nullptr)
    connection_->Interrupt();
}

TInterruptOnCancel::TInterruptOnCancel(TWorkProgress* progress, TLite3Db& db)
    : progress_(progress) {
  if (progress_ == nullptr)
    return;
  const std::lock_guard lock(progress_->mutex_);
  progress_->connection_ = &db;
}

TInterruptOnCancel::~TInterruptOnCancel() {
  if (progress_ == nullptr)
    return;
  const std::lock_guard lock(progress_->mutex_);
  progress_->connection_ = nullptr;
}

int64_t TCancellableStream::Write(const void* buffer, int64_t count) {
  if (progress_.Cancelled())
    return 0;
  return stream_.Write(buffer, count);
}

bool SaveUnlessCancelled(IXMLDocument& document, const std::string& path, TWorkProgress* progress) {
  if (progress == nullptr) {
    document.SaveToFile(path, LayoutMode::Indented);
    return true;
  }
  TOutputFileStream file(path);
  TCancellableStream stream(file, *progress);
  try {
    document.SaveToByteStream(stream, LayoutMode::Indented);
  } catch (const EXMLWriteError&) {
    if (progress->Cancelled())
      return false;
    file.RaiseWriteError();
  }
  // Checked again, for a cancel after the last block: going uncommitted removes the file.
  if (progress->Cancelled())
    return false;
  file.Commit();
  return true;
}

}  // namespace velmorra
