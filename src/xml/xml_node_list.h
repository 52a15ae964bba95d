#pragma once

#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "xml/xml_interfaces.h"

namespace velmorra {

class TXMLNode;
class TXMLTextStream;

// The child list of a node: references to the children in document order. It is part of the node
// that holds it and counts its references on that node, so a pointer to the list keeps the node
// alive. Only nodes of this model (TXMLNode) are held, and compact elements (compact_element.h)
// of the holder's document, which become nodes when first asked for. Releasing a child also
// clears the child's parent link if it still names the holder. The items are kept in chunks, so
// that a list of millions grows without moving them.
class TXMLNodeList : public IXMLNodeList {
 public:
  explicit TXMLNodeList(TXMLNode& holder) : holder_(holder) {}
  ~TXMLNodeList();
  TXMLNodeList(const TXMLNodeList&) = delete;
  TXMLNodeList& operator=(const TXMLNodeList&) = delete;

  void AddRef() override;
  void Release() override;
  int32_t Length() const override { return static_cast<int32_t>(items_.size()); }
  IXMLNodePtr Item(int32_t index) const override;

  // The node at `index`, which must exist; a compact element there becomes a node first.
  TXMLNode& Node(int32_t index) const;
  // The node type of the item at `index`, which must exist, without making a node of it.
  uint8_t ItemType(int32_t index) const;
  // Writes the item at `index`, which must exist, as its WriteNode does, a compact element
  // without making a node of it: it only reads the list, so that several threads may write the
  // items of one list at once.
  void WriteItem(int32_t index, TXMLTextStream& stream) const;
  // Appends `node` and takes a reference to it.
  void Add(TXMLNode& node);
  // Appends the compact element at `element`.
  void AddCompact(const unsigned char* element);
  // Drops the list's reference to `node`, if it holds one.
  void Remove(const TXMLNode* node);
  // Drops every reference.
  void Clear();

 private:
  // A TXMLNode*, or the address of a compact element with bit 0 set.
  using TItem = uintptr_t;

  TXMLNode& holder_;
  // A compact element is replaced by its node when that is made, hence mutable.
  mutable std::deque<TItem> items_;
};

// The attribute collection of an element, part of the node that holds it like TXMLNodeList. Only
// nodes of this model (TXMLNode) are taken: SetNamedItem throws std::invalid_argument for a null
// or foreign node.
class TXMLNamedNodeMap : public IXMLNamedNodeMap {
 public:
  explicit TXMLNamedNodeMap(TXMLNode& holder) : holder_(holder) {}
  ~TXMLNamedNodeMap();
  TXMLNamedNodeMap(const TXMLNamedNodeMap&) = delete;
  TXMLNamedNodeMap& operator=(const TXMLNamedNodeMap&) = delete;

  void AddRef() override;
  void Release() override;
  int32_t Length() const override { return static_cast<int32_t>(nodes_.size()); }
  IXMLNodePtr Item(int32_t index) const override;
  IXMLNodePtr GetNamedItem(std::u16string_view name) const override;
  void SetNamedItem(const IXMLNodePtr& node) override;

  // The node at `index`, which must exist.
  TXMLNode& Node(int32_t index) const { return *nodes_[index]; }
  // SetNamedItem for a node of this model, taking over the caller's reference to it.
  void PutNamedItem(TXMLNode* node);
  // Makes room for `count` nodes in all.
  void Reserve(size_t count) { nodes_.reserve(count); }
  // Drops every reference.
  void Clear();

 private:
  TXMLNode& holder_;
  std::vector<TXMLNode*> nodes_;
};

}  // namespace velmorra
