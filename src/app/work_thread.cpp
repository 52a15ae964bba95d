#include "app/work_thread.h"

#include <exception>

#include "app/error_report.h"
#include "xml/file_errors.h"

namespace velmorra {

void TWorkThread::Start(std::function<void()> work) {
  Wait();
  thread_ = std::thread(std::move(work));
}

void TWorkThread::Wait() {
  if (thread_.joinable())
    thread_.join();
}

void TRecordedMessages::ShowIn(IMessageBoxes& messages) const {
  for (const auto& [kind, text] : shown_)
    messages.ShowMessage(kind, text);
}

TEscapedError RunCatching(const std::function<void()>& action) noexcept {
  using TKind = TEscapedError::TKind;
  try {
    action();
    return {};
  } catch (const EFileCreateError& error) {
    return {TKind::FileCreate, error.what()};
  } catch (const EFileWriteError& error) {
    return {TKind::FileWrite, error.what()};
  } catch (const std::exception& error) {
    return {TKind::Surprise, error.what()};
  } catch (...) {
    return {TKind::Surprise, kUnknownErrorText};
  }
}

}  // namespace velmorra
