#include "xml/xml_node_list.h"

#include <algorithm>
#include <stdexcept>

#include "xml/xml_nodes.h"

namespace velmorra {

namespace {

IXMLNodePtr ItemOf(const std::vector<TXMLNode*>& nodes, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= nodes.size())
    return nullptr;
  return IXMLNodePtr(nodes[index]);
}

// Releases every node of `nodes`, emptying it first: a node that goes may reach this list again
// (through its parent link) while it is destroyed.
void ReleaseAll(std::vector<TXMLNode*>& nodes, const TXMLNode& holder) {
  std::vector<TXMLNode*> released;
  released.swap(nodes);
  for (TXMLNode* node : released) {
    node->ForgetParent(holder);
    node->Release();
  }
}

}  // namespace

TXMLNodeList::~TXMLNodeList() {
  Clear();
}

void TXMLNodeList::AddRef() {
  holder_.AddRef();
}

void TXMLNodeList::Release() {
  holder_.Release();
}

IXMLNodePtr TXMLNodeList::Item(int32_t index) const {
  return ItemOf(nodes_, index);
}

void TXMLNodeList::Add(TXMLNode& node) {
  nodes_.push_back(&node);
  node.AddRef();
}

void TXMLNodeList::Remove(const TXMLNode* node) {
  const auto found = std::find(nodes_.begin(), nodes_.end(), node);
  if (found == nodes_.end())
    return;
  TXMLNode* removed = *found;
  nodes_.erase(found);
  removed->Release();
}

void TXMLNodeList::Clear() {
  ReleaseAll(nodes_, holder_);
}

TXMLNamedNodeMap::~TXMLNamedNodeMap() {
  Clear();
}

void TXMLNamedNodeMap::AddRef() {
  holder_.AddRef();
}

void TXMLNamedNodeMap::Release() {
  holder_.Release();
}

IXMLNodePtr TXMLNamedNodeMap::Item(int32_t index) const {
  return ItemOf(nodes_, index);
}

IXMLNodePtr TXMLNamedNodeMap::GetNamedItem(std::u16string_view name) const {
  for (TXMLNode* node : nodes_) {
    if (node->NodeName() == name)
      return IXMLNodePtr(node);
  }
  return nullptr;
}

void TXMLNamedNodeMap::SetNamedItem(const IXMLNodePtr& node) {
  auto* added = dynamic_cast<TXMLNode*>(node.get());
  if (!added)
    throw std::invalid_argument("SetNamedItem takes a node of this XML model.");
  added->AddRef();
  PutNamedItem(added);
}

void TXMLNamedNodeMap::PutNamedItem(TXMLNode* node) {
  for (TXMLNode*& held : nodes_) {
    if (held->HasSameName(*node)) {
      TXMLNode* replaced = held;
      held = node;
      replaced->Release();
      return;
    }
  }
  nodes_.push_back(node);
}

void TXMLNamedNodeMap::Clear() {
  ReleaseAll(nodes_, holder_);
}

}  // namespace velmorra
