#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace velmorra::testing {

// While it lives, no file of this process may grow beyond `bytes`: a write that would cross the
// limit is cut short and the next one fails with EFBIG, as a full disk would fail it. The signal
// the kernel sends with that failure is ignored meanwhile.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_limit_);
    saved_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_limit_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_limit_);
    signal(SIGXFSZ, saved_handler_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit saved_limit_;
  sighandler_t saved_handler_;
};

}  // namespace velmorra::testing
