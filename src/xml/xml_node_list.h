#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "xml/xml_interfaces.h"

namespace velmorra {

class TXMLNode;

// The child list of a node: references to the children in document order. It is part of the node
// that holds it and counts its references on that node, so a pointer to the list keeps the node
// alive. Only nodes of this model (TXMLNode) are held. Releasing a child also clears the child's
// parent link if it still names the holder.
class TXMLNodeList : public IXMLNodeList {
 public:
  explicit TXMLNodeList(TXMLNode& holder) : holder_(holder) {}
  ~TXMLNodeList();
  TXMLNodeList(const TXMLNodeList&) = delete;
  TXMLNodeList& operator=(const TXMLNodeList&) = delete;

  void AddRef() override;
  void Release() override;
  int32_t Length() const override { return static_cast<int32_t>(nodes_.size()); }
  IXMLNodePtr Item(int32_t index) const override;

  // The node at `index`, which must exist.
  TXMLNode& Node(int32_t index) const { return *nodes_[index]; }
  // Appends `node` and takes a reference to it.
  void Add(TXMLNode& node);
  // Drops the list's reference to `node`, if it holds one.
  void Remove(const TXMLNode* node);
  // Drops every reference.
  void Clear();

 private:
  TXMLNode& holder_;
  std::vector<TXMLNode*> nodes_;
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
