#include "xml/xml_node_list.h"

#include <algorithm>
#include <stdexcept>

#include "xml/xml_nodes.h"

namespace velmorra {

namespace {

template <typename TNodes>
IXMLNodePtr ItemOf(const TNodes& nodes, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= nodes.size())
    return nullptr;
  return nodes[index];
}

}  // namespace

IXMLNodePtr TXMLNodeList::Item(int32_t index) const {
  return ItemOf(nodes_, index);
}

void TXMLNodeList::Add(std::shared_ptr<TXMLNode> node) {
  nodes_.push_back(std::move(node));
}

void TXMLNodeList::Remove(const TXMLNode* node) {
  const auto found = std::find_if(nodes_.begin(), nodes_.end(),
                                  [node](const auto& held) { return held.get() == node; });
  if (found != nodes_.end())
    nodes_.erase(found);
}

IXMLNodePtr TXMLNamedNodeMap::Item(int32_t index) const {
  return ItemOf(nodes_, index);
}

IXMLNodePtr TXMLNamedNodeMap::GetNamedItem(std::u16string_view name) const {
  for (const auto& node : nodes_) {
    if (node->NodeName() == name)
      return node;
  }
  return nullptr;
}

void TXMLNamedNodeMap::SetNamedItem(const IXMLNodePtr& node) {
  std::shared_ptr<TXMLNode> added = std::dynamic_pointer_cast<TXMLNode>(node);
  if (!added)
    throw std::invalid_argument("SetNamedItem takes a node of this XML model.");
  for (auto& held : nodes_) {
    if (held->HasSameName(*added)) {
      held = std::move(added);
      return;
    }
  }
  nodes_.push_back(std::move(added));
}

}  // namespace velmorra
