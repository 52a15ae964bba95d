#include "xml/compact_element.h"

#include <algorithm>

#include "xml/node_arena.h"

namespace velmorra {

namespace {

// A base-128 number takes at most this many bytes for 32 bits.
constexpr size_t kMaxNumberBytes = 5;

unsigned char* PutNumber(unsigned char* out, uint32_t number) {
  while (number >= 0x80) {
    *out++ = static_cast<unsigned char>(number | 0x80);
    number >>= 7;
  }
  *out++ = static_cast<unsigned char>(number);
  return out;
}

uint32_t ReadNumber(const unsigned char*& in) {
  uint32_t number = 0;
  for (int shift = 0;; shift += 7) {
    const unsigned char byte = *in++;
    number |= static_cast<uint32_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80))
      return number;
  }
}

}  // namespace

bool TElementLayouts::Matches(uint32_t index, int32_t tag_name_id,
                              std::span<const TAttributeIds> attributes) const {
  const TElementLayout& layout = layouts_[index];
  return layout.TagNameId == tag_name_id &&
         std::equal(layout.AttributeNameIds.begin(), layout.AttributeNameIds.end(),
                    attributes.begin(), attributes.end(),
                    [](int32_t name, const TAttributeIds& pair) { return name == pair.NameId; });
}

std::optional<uint32_t> TElementLayouts::Find(int32_t tag_name_id,
                                              std::span<const TAttributeIds> attributes) {
  if (last_found_ < layouts_.size() && Matches(last_found_, tag_name_id, attributes))
    return last_found_;
  for (uint32_t i = 0; i < layouts_.size(); ++i) {
    if (Matches(i, tag_name_id, attributes))
      return last_found_ = i;
  }
  TElementLayout layout{tag_name_id, {}};
  for (const TAttributeIds& pair : attributes) {
    if (std::find(layout.AttributeNameIds.begin(), layout.AttributeNameIds.end(), pair.NameId) !=
        layout.AttributeNameIds.end()) {
      return std::nullopt;
    }
    layout.AttributeNameIds.push_back(pair.NameId);
  }
  layouts_.push_back(std::move(layout));
  return last_found_ = static_cast<uint32_t>(layouts_.size() - 1);
}

const unsigned char* MakeCompactElement(TNodeArena& arena, uint32_t layout,
                                        std::span<const TAttributeIds> attributes) {
  unsigned char bytes[kMaxNumberBytes * 64];
  std::vector<unsigned char> large;
  unsigned char* start = bytes;
  if (attributes.size() + 1 > sizeof bytes / kMaxNumberBytes) {
    large.resize((attributes.size() + 1) * kMaxNumberBytes);
    start = large.data();
  }
  unsigned char* end = PutNumber(start, layout);
  for (const TAttributeIds& pair : attributes)
    end = PutNumber(end, static_cast<uint32_t>(pair.ValueId));
  const size_t size = static_cast<size_t>(end - start);
  auto* element = static_cast<unsigned char*>(arena.Allocate(size, 2));
  std::copy(start, end, element);
  return element;
}

uint32_t CompactElementLayout(const unsigned char* element) {
  return ReadNumber(element);
}

void CompactElementAttributes(const unsigned char* element, const TElementLayouts& layouts,
                              std::span<TAttributeIds> attributes) {
  const TElementLayout& layout = layouts[ReadNumber(element)];
  for (size_t i = 0; i < attributes.size(); ++i)
    attributes[i] = {layout.AttributeNameIds[i], static_cast<int32_t>(ReadNumber(element))};
}

}  // namespace velmorra
