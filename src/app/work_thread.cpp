#include "app/work_thread.h"

#include <exception>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "app/error_report.h"
#include "xml/file_errors.h"

namespace velmorra {

namespace {

// A toolkit's start-up (Qt's, for one) can leave the upper halves of the AVX registers in use on
// the window's thread. A new thread starts with that state, and then every SSE instruction it
// runs pays for mixing the two: a conversion took 40 % more processor time. The work clears them
// before it starts; the threads it starts in turn begin clean.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx"))) void ZeroUpperHalves() {
  _mm256_zeroupper();
}

void ClearUpperVectorState() {
  if (__builtin_cpu_supports("avx"))
    ZeroUpperHalves();
}
#else
void ClearUpperVectorState() {}
#endif

}  // namespace

void TWorkThread::Start(std::function<void()> work) {
  Wait();
  thread_ = std::thread([work = std::move(work)] {
    ClearUpperVectorState();
    work();
  });
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
