#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "xml/xml_interfaces.h"

namespace velmorra {

class TNodeArena;

// What elements of the same shape share: the tag name and the attribute names, in order, as
// dictionary ids. The names are distinct.
struct TElementLayout {
  int32_t TagNameId = -1;
  std::vector<int32_t> AttributeNameIds;
};

// The layouts of one document's compact elements, each known by its index.
class TElementLayouts {
 public:
  // The index of the layout of an element named `tag_name_id` with the names of `attributes`,
  // adding it when new; nothing when a name repeats (such an element cannot be compact).
  std::optional<uint32_t> Find(int32_t tag_name_id, std::span<const TAttributeIds> attributes);
  const TElementLayout& operator[](uint32_t index) const { return layouts_[index]; }

 private:
  bool Matches(uint32_t index, int32_t tag_name_id,
               std::span<const TAttributeIds> attributes) const;

  std::vector<TElementLayout> layouts_;
  uint32_t last_found_ = 0;  // elements come in runs of one shape: tried first
};

// An element without children kept in a few bytes of its document's node memory, at an even
// address: the index of its layout and the value id of each attribute, each as a base-128 number.
// These functions make and read such bytes.

// A new compact element of layout `layout` with the values of `attributes` (whose names are those
// of the layout), in `arena`.
const unsigned char* MakeCompactElement(TNodeArena& arena, uint32_t layout,
                                        std::span<const TAttributeIds> attributes);
uint32_t CompactElementLayout(const unsigned char* element);
// Fills `attributes`, as many as the element's layout names, with the compact element's
// attributes, names from `layouts`.
void CompactElementAttributes(const unsigned char* element, const TElementLayouts& layouts,
                              std::span<TAttributeIds> attributes);

}  // namespace velmorra
