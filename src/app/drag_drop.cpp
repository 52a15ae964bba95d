#include "app/drag_drop.h"

namespace velmorra {

namespace {

// The buffer a drop starts with: a classic full path and its terminator.
constexpr size_t kInitialNameBuffer = 260;

class TDropRelease {
 public:
  explicit TDropRelease(IDroppedFiles& drop) : drop_(drop) {}
  ~TDropRelease() { drop_.Finish(); }
  TDropRelease(const TDropRelease&) = delete;
  TDropRelease& operator=(const TDropRelease&) = delete;

 private:
  IDroppedFiles& drop_;
};

}  // namespace

TJvDragDrop::~TJvDragDrop() {
  if (hooked_ && drop_target_ != nullptr)
    drop_target_->RemoveDropFilter();
}

void TJvDragDrop::SetAcceptDrag(bool accept) {
  if (accept == accept_drag_)
    return;
  accept_drag_ = accept;
  if (!loaded_ || drop_target_ == nullptr)
    return;
  drop_target_->AcceptFiles(accept);
  if (accept && !hooked_) {
    drop_target_->InstallDropFilter();
    hooked_ = true;
  }
}

void TJvDragDrop::Loaded() {
  loaded_ = true;
  if (!accept_drag_ || drop_target_ == nullptr)
    return;
  drop_target_->AcceptFiles(true);
  if (!hooked_) {
    drop_target_->InstallDropFilter();
    hooked_ = true;
  }
}

void TJvDragDrop::TargetDestroyed() {
  drop_target_ = nullptr;
  hooked_ = false;
}

void TJvDragDrop::HandleDrop(IDroppedFiles& drop) {
  TDropRelease release(drop);
  files_.clear();
  {
    std::vector<char> buffer(kInitialNameBuffer);
    const unsigned count = drop.Count();
    for (unsigned index = 0; index < count; ++index) {
      const size_t length = drop.NameLength(index);
      if (length + 1 > buffer.size())
        buffer.resize(length + 1);
      const size_t copied = drop.ReadName(index, buffer.data(), buffer.size());
      files_.emplace_back(buffer.data(), copied);
    }
  }
  if (OnDrop)
    OnDrop(*this, drop.Point(), files_);
}

}  // namespace velmorra
