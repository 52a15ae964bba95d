#include "xml/xml_node_list.h"

#include <algorithm>
#include <stdexcept>

#include "xml/xml_nodes.h"

namespace velmorra {

namespace {

constexpr uintptr_t kCompactBit = 1;

bool IsCompact(uintptr_t item) {
  return (item & kCompactBit) != 0;
}

TXMLNode* NodeOf(uintptr_t item) {
  return reinterpret_cast<TXMLNode*>(item);
}

// Releases every node of `nodes`, emptying it first: a node that goes may reach this list again
// (through its parent link) while it is destroyed.
template <typename TItems, typename TNodeOf>
void ReleaseAll(TItems& nodes, const TXMLNode& holder, TNodeOf node_of) {
  TItems released;
  released.swap(nodes);
  for (const auto item : released) {
    if (TXMLNode* node = node_of(item)) {
      node->ForgetParent(holder);
      node->Release();
    }
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
  if (index < 0 || index >= Length())
    return nullptr;
  return IXMLNodePtr(&Node(index));
}

TXMLNode& TXMLNodeList::Node(int32_t index) const {
  TItem& item = items_[static_cast<size_t>(index)];
  if (IsCompact(item)) {
    const auto* element = reinterpret_cast<const unsigned char*>(item & ~kCompactBit);
    item = reinterpret_cast<TItem>(&holder_.ExpandCompactChild(element));
  }
  return *NodeOf(item);
}

uint8_t TXMLNodeList::ItemType(int32_t index) const {
  const TItem item = items_[static_cast<size_t>(index)];
  return IsCompact(item) ? kElementNode : NodeOf(item)->NodeType();
}

void TXMLNodeList::WriteItem(int32_t index, TXMLTextStream& stream) const {
  const TItem item = items_[static_cast<size_t>(index)];
  if (IsCompact(item)) {
    holder_.WriteCompactChild(reinterpret_cast<const unsigned char*>(item & ~kCompactBit), stream);
  } else {
    NodeOf(item)->WriteNode(stream);
  }
}

void TXMLNodeList::Add(TXMLNode& node) {
  items_.push_back(reinterpret_cast<TItem>(&node));
  node.AddRef();
}

void TXMLNodeList::AddCompact(const unsigned char* element) {
  items_.push_back(reinterpret_cast<TItem>(element) | kCompactBit);
}

void TXMLNodeList::Remove(const TXMLNode* node) {
  const auto found = std::find(items_.begin(), items_.end(), reinterpret_cast<TItem>(node));
  if (found == items_.end())
    return;
  TXMLNode* removed = NodeOf(*found);
  items_.erase(found);
  removed->Release();
}

void TXMLNodeList::Clear() {
  ReleaseAll(items_, holder_, [](TItem item) { return IsCompact(item) ? nullptr : NodeOf(item); });
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
  if (index < 0 || static_cast<size_t>(index) >= nodes_.size())
    return nullptr;
  return IXMLNodePtr(nodes_[index]);
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
  ReleaseAll(nodes_, holder_, [](TXMLNode* node) { return node; });
}

}  // namespace velmorra
