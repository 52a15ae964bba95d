#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "xml/xml_interfaces.h"

namespace velmorra {

class TXMLNode;

// The child list of a node: references to the children in document order. Only nodes of this
// model (TXMLNode) are held.
class TXMLNodeList : public IXMLNodeList {
 public:
  int32_t Length() const override { return static_cast<int32_t>(nodes_.size()); }
  IXMLNodePtr Item(int32_t index) const override;

  // The node at `index`, which must exist.
  TXMLNode& Node(int32_t index) const { return *nodes_[index]; }
  void Add(std::shared_ptr<TXMLNode> node);
  // Drops the list's reference to `node`, if it holds one.
  void Remove(const TXMLNode* node);

 private:
  std::vector<std::shared_ptr<TXMLNode>> nodes_;
};

// The attribute collection of an element. Only nodes of this model (TXMLNode) are taken:
// SetNamedItem throws std::invalid_argument for a null or foreign node.
class TXMLNamedNodeMap : public IXMLNamedNodeMap {
 public:
  int32_t Length() const override { return static_cast<int32_t>(nodes_.size()); }
  IXMLNodePtr Item(int32_t index) const override;
  IXMLNodePtr GetNamedItem(std::u16string_view name) const override;
  void SetNamedItem(const IXMLNodePtr& node) override;

  // The node at `index`, which must exist.
  TXMLNode& Node(int32_t index) const { return *nodes_[index]; }

 private:
  std::vector<std::shared_ptr<TXMLNode>> nodes_;
};

}  // namespace velmorra
