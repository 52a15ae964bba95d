#include "export/memory_phone_list.h"

namespace velmorra {

void TMemoryPhoneList::Clear() {
  items_.clear();
  item_index_ = -1;
}

std::string TMemoryPhoneList::Item(int index) const {
  if (index < 0 || index >= ItemCount())
    return std::string();
  return items_[static_cast<size_t>(index)];
}

}  // namespace velmorra
