#include "xml/xml_nodes.h"

#include <algorithm>
#include <span>
#include <stdexcept>

#include "xml/child_chunk_writer.h"
#include "xml/compact_element.h"
#include "xml/xml_document.h"
#include "xml/xml_exception.h"
#include "xml/xml_text_stream.h"

namespace velmorra {

TXMLNode::TXMLNode(TXMLDocument& owner_document, uint8_t node_type, int32_t name_id)
    : document_(&owner_document), name_id_(name_id), node_type_(node_type) {}

TXMLNode::~TXMLNode() {
  if (has_kept_lists_)
    document_->DropKeptLists(*this);
}

void TXMLNode::Destroy() {
  TXMLDocument& document = *document_;
  this->~TXMLNode();
  document.NodeGone();
}

TDictionary& TXMLNode::Dictionary() const {
  return document_->Dictionary();
}

std::u16string TXMLNode::NodeValue() const {
  return value_id_ < 0 ? std::u16string() : Dictionary().Lookup(value_id_);
}

void TXMLNode::SetNodeValue(std::u16string_view) {
  throw EXMLException::InvalidNodeType(EXMLException::kNoModificationAllowedErr, node_type_);
}

IXMLNodePtr TXMLNode::ParentNode() const {
  return IXMLNodePtr(parent_);
}

IXMLDocumentPtr TXMLNode::OwnerDocument() const {
  return IXMLDocumentPtr(document_);
}

TXMLNodeList* TXMLNode::Children(bool create) {
  return document_->KeptChildren(*this, create);
}

TXMLNamedNodeMap* TXMLNode::AttributeItems(bool create) {
  return document_->KeptAttributes(*this, create);
}

IXMLNodeListPtr TXMLNode::ChildNodes() {
  return IXMLNodeListPtr(Children(true));
}

IXMLNamedNodeMapPtr TXMLNode::Attributes() {
  return IXMLNamedNodeMapPtr(AttributeItems(true));
}

bool TXMLNode::HasChildNodes() const {
  const TXMLNodeList* children = ChildList();
  return children && children->Length() > 0;
}

IXMLNodePtr TXMLNode::AppendChild(const IXMLNodePtr& new_child) {
  auto* child = dynamic_cast<TXMLNode*>(new_child.get());
  if (!child)
    throw std::invalid_argument("AppendChild takes a node of this XML model.");
  // The document has no owner document, so the test does not apply to it.
  if (node_type_ != kDocumentNode && child->node_type_ != kDocumentNode &&
      document_ != child->document_) {
    throw EXMLException::WrongDocument();
  }
  if (node_type_ == kElementNode && child->node_type_ == kAttributeNode) {
    throw EXMLException::InvalidNodeType(EXMLException::kHierarchyRequestErr, kAttributeNode);
  }
  // A node taken under itself or under one of its descendants would leave the tree, its subtree
  // held by nothing but itself.
  for (const TXMLNode* ancestor = this; ancestor; ancestor = ancestor->parent_) {
    if (ancestor == child)
      throw EXMLException::InvalidNodeType(EXMLException::kHierarchyRequestErr, child->node_type_);
  }
  // Added before it is removed from its old place, so that it never lacks a reference. A node
  // moved within this list is found at its old place first.
  Children(true)->Add(*child);
  if (child->parent_)
    child->parent_->Children(false)->Remove(child);
  child->parent_ = this;
  return new_child;
}

TXMLNode& TXMLNode::ExpandCompactChild(const unsigned char* element) {
  TXMLNode& child = document_->ExpandCompactElement(element);
  child.parent_ = this;
  return child;
}

void TXMLNode::WriteCompactChild(const unsigned char* element, TXMLTextStream& stream) const {
  document_->WriteCompactElement(element, stream);
}

bool TXMLNode::HasSameName(const TXMLNode& other) const {
  if (document_ == other.document_ && name_id_ >= 0 && other.name_id_ >= 0)
    return name_id_ == other.name_id_;
  return NodeName() == other.NodeName();
}

TXMLElement::TXMLElement(TXMLDocument& owner_document, std::u16string_view tag_name)
    : TXMLNode(owner_document, kElementNode, owner_document.Dictionary().Intern(tag_name)) {}

std::u16string TXMLElement::NodeName() const {
  return Dictionary().Lookup(NameId());
}

TXMLNodeList* TXMLElement::Children(bool create) {
  if (!children_ && create)
    children_ = std::make_unique<TXMLNodeList>(*this);
  return children_.get();
}

TXMLNamedNodeMap* TXMLElement::AttributeItems(bool create) {
  if (!attributes_ && create)
    MakeAttributeNodes();
  return attributes_.get();
}

// The nodes come from the document's attribute class, as if SetAttribute had made them; their
// names and values are interned already, so they take the ids of the pairs.
void TXMLElement::MakeAttributeNodes() {
  TXMLDocument& document = Owner();
  const TDictionary& dictionary = Dictionary();
  auto attributes = std::make_unique<TXMLNamedNodeMap>(*this);
  attributes->Reserve(pair_count_ == 0 ? document.attribute_room_ : pair_count_);
  for (const TAttributeIds& pair : std::span(pairs_, pair_count_)) {
    TXMLPtr<TXMLAttr> attribute = document.NewAttribute(dictionary.Lookup(pair.NameId));
    attribute->SetNodeValue(dictionary.Lookup(pair.ValueId));
    attributes->PutNamedItem(attribute.Detach());
  }
  attributes_ = std::move(attributes);
  pair_count_ = 0;
  pair_room_ = 0;
  pairs_ = nullptr;
}

void TXMLElement::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (attributes_ || !Owner().KeepsAttributesCompact()) {
    SetAttributeNode(name, value);
    return;
  }
  // Interned in the order a new attribute node would intern them, so the ids come out alike.
  TDictionary& dictionary = Dictionary();
  const int32_t name_id = dictionary.Intern(name);
  SetAttributePair(name_id, dictionary.Intern(value));
}

void TXMLElement::SetAttributeIds(int32_t name_id, int32_t value_id) {
  const TDictionary& dictionary = Dictionary();
  if (attributes_ || !Owner().KeepsAttributesCompact()) {
    SetAttributeNode(dictionary.Lookup(name_id), dictionary.Lookup(value_id));
    return;
  }
  dictionary.CheckId(name_id);
  dictionary.CheckId(value_id);
  SetAttributePair(name_id, value_id);
}

void TXMLElement::SetAttributeNode(std::u16string_view name, std::u16string_view value) {
  TXMLDocument& document = Owner();
  TXMLPtr<TXMLAttr> attribute = document.NewAttribute(name);
  attribute->SetNodeValue(value);
  TXMLNamedNodeMap& attributes = *AttributeItems(true);
  attributes.PutNamedItem(attribute.Detach());
  const size_t count = static_cast<size_t>(attributes.Length());
  if (count > document.attribute_room_)
    document.attribute_room_ = count;
}

void TXMLElement::SetAttributePair(int32_t name_id, int32_t value_id) {
  TXMLDocument& document = Owner();
  for (TAttributeIds& pair : std::span(pairs_, pair_count_)) {
    if (pair.NameId == name_id) {
      pair.ValueId = value_id;
      return;
    }
  }
  if (pair_count_ == pair_room_) {
    // Room for as many as the document's largest element has, as its elements tend to look alike.
    const size_t room = std::max({document.attribute_room_, size_t{2} * pair_room_, size_t{4}});
    if (room > UINT32_MAX)
      throw std::length_error("An element has too many attributes.");
    auto* pairs = static_cast<TAttributeIds*>(
        document.arena_.Allocate(room * sizeof(TAttributeIds), alignof(TAttributeIds)));
    std::copy_n(pairs_, pair_count_, pairs);
    pairs_ = pairs;
    pair_room_ = static_cast<uint32_t>(room);
  }
  pairs_[pair_count_++] = {name_id, value_id};
  if (pair_count_ > document.attribute_room_)
    document.attribute_room_ = pair_count_;
}

void TXMLElement::AppendElementIds(int32_t tag_name_id, std::span<const TAttributeIds> attributes) {
  TXMLDocument& document = Owner();
  const TDictionary& dictionary = Dictionary();
  dictionary.CheckId(tag_name_id);
  for (const TAttributeIds& pair : attributes) {
    dictionary.CheckId(pair.NameId);
    dictionary.CheckId(pair.ValueId);
  }
  std::optional<uint32_t> layout;
  if (document.KeepsElementsCompact() && document.KeepsAttributesCompact())
    layout = document.layouts_.Find(tag_name_id, attributes);
  if (!layout) {
    const IXMLElementPtr element = document.CreateElement(dictionary.Lookup(tag_name_id));
    AppendChild(element);
    for (const TAttributeIds& pair : attributes)
      element->SetAttributeIds(pair.NameId, pair.ValueId);
    return;
  }
  Children(true)->AddCompact(MakeCompactElement(document.arena_, *layout, attributes));
}

void TXMLElement::WriteNode(TXMLTextStream& stream) const {
  const TXMLNodeList* children = ChildList();
  const bool empty = !children || children->Length() == 0;
  if (empty && !attributes_) {
    stream.EmitEmptyElement(Dictionary(), NameId(), std::span(pairs_, pair_count_));
    return;
  }
  stream.LineBreak(false);
  stream.EmitStartTag(Dictionary(), NameId());
  if (attributes_) {
    for (int32_t i = 0; i < attributes_->Length(); ++i)
      attributes_->Node(i).WriteNode(stream);
  } else {
    for (const TAttributeIds& pair : std::span(pairs_, pair_count_))
      stream.EmitAttribute(Dictionary(), pair.NameId, pair.ValueId);
  }
  if (empty) {
    stream.EmitEmptyTagEnd();
    return;
  }
  stream.Emit(u">");
  stream.EnterLevel();
  if (children->Length() >= kChunkedChildrenFrom && stream.ConvertsWithoutPlatform()) {
    WriteChildrenInChunks(*children, stream);
  } else {
    for (int32_t i = 0; i < children->Length(); ++i)
      children->WriteItem(i, stream);
  }
  stream.LeaveLevel();
  if (children->Length() != 1 || children->ItemType(0) != kTextNode)
    stream.LineBreak(false);
  stream.EmitEndTag(Dictionary(), NameId());
}

TXMLAttr::TXMLAttr(TXMLDocument& owner_document, std::u16string_view name)
    : TXMLNode(owner_document, kAttributeNode, owner_document.Dictionary().Intern(name)) {}

std::u16string TXMLAttr::NodeName() const {
  return Dictionary().Lookup(NameId());
}

void TXMLAttr::SetNodeValue(std::u16string_view value) {
  SetValueId(Dictionary().Intern(value));
}

void TXMLAttr::WriteNode(TXMLTextStream& stream) const {
  stream.EmitAttribute(Dictionary(), NameId(), ValueId());
}

TXMLProcessingInstruction::TXMLProcessingInstruction(TXMLDocument& owner_document,
                                                     std::u16string_view target,
                                                     std::u16string_view data)
    : TXMLNode(owner_document, kProcessingInstructionNode, -1), target_(target), data_(data) {}

void TXMLProcessingInstruction::WriteNode(TXMLTextStream& stream) const {
  stream.LineBreak(false);
  std::u16string fragment;
  fragment.reserve(target_.size() + data_.size() + 5);
  fragment += u"<?";
  fragment += target_;
  fragment += u' ';
  fragment += data_;
  fragment += u"?>";
  stream.Emit(fragment);
}

}  // namespace velmorra
