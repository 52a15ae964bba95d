#include "xml/xml_nodes.h"

#include <stdexcept>

#include "xml/escape_markup.h"
#include "xml/xml_document.h"
#include "xml/xml_exception.h"
#include "xml/xml_text_stream.h"

namespace velmorra {

TXMLNode::TXMLNode(TXMLDocument* owner_document, uint8_t node_type, TDictionary& dictionary)
    : owner_document_(owner_document), node_type_(node_type), dictionary_(dictionary) {}

TXMLNode::~TXMLNode() {
  if (!child_nodes_)
    return;
  for (int32_t i = 0; i < child_nodes_->Length(); ++i) {
    TXMLNode& child = child_nodes_->Node(i);
    if (child.parent_ == this)
      child.parent_ = nullptr;
  }
}

std::u16string TXMLNode::NodeValue() const {
  return value_id_ < 0 ? std::u16string() : dictionary_.Lookup(value_id_);
}

void TXMLNode::SetNodeValue(std::u16string_view) {
  throw EXMLException::InvalidNodeType(EXMLException::kNoModificationAllowedErr, node_type_);
}

IXMLNodePtr TXMLNode::ParentNode() const {
  return parent_ ? parent_->shared_from_this() : nullptr;
}

IXMLDocumentPtr TXMLNode::OwnerDocument() const {
  if (!owner_document_)
    return nullptr;
  return std::static_pointer_cast<TXMLDocument>(owner_document_->shared_from_this());
}

IXMLNodeListPtr TXMLNode::ChildNodes() {
  if (!child_nodes_)
    child_nodes_ = std::make_shared<TXMLNodeList>();
  return child_nodes_;
}

IXMLNamedNodeMapPtr TXMLNode::Attributes() {
  AttributeMapForWriting();
  return attributes_;
}

TXMLNamedNodeMap& TXMLNode::AttributeMapForWriting() {
  if (!attributes_)
    attributes_ = std::make_shared<TXMLNamedNodeMap>();
  return *attributes_;
}

bool TXMLNode::HasChildNodes() const {
  return child_nodes_ && child_nodes_->Length() > 0;
}

IXMLNodePtr TXMLNode::AppendChild(const IXMLNodePtr& new_child) {
  std::shared_ptr<TXMLNode> child = std::dynamic_pointer_cast<TXMLNode>(new_child);
  if (!child)
    throw std::invalid_argument("AppendChild takes a node of this XML model.");
  if (owner_document_ && child->owner_document_ && owner_document_ != child->owner_document_) {
    throw EXMLException::WrongDocument();
  }
  if (node_type_ == kElementNode && child->node_type_ == kAttributeNode) {
    throw EXMLException::InvalidNodeType(EXMLException::kHierarchyRequestErr, kAttributeNode);
  }
  if (child->parent_)
    child->parent_->child_nodes_->Remove(child.get());
  ChildNodes();
  child->parent_ = this;
  child_nodes_->Add(std::move(child));
  return new_child;
}

bool TXMLNode::HasSameName(const TXMLNode& other) const {
  if (&dictionary_ == &other.dictionary_ && NameId() >= 0 && other.NameId() >= 0) {
    return NameId() == other.NameId();
  }
  return NodeName() == other.NodeName();
}

TXMLElement::TXMLElement(TXMLDocument& owner_document, std::u16string_view tag_name)
    : TXMLNode(&owner_document, kElementNode, owner_document.Dictionary()),
      tag_name_id_(Dictionary().Intern(tag_name)) {}

std::u16string TXMLElement::NodeName() const {
  return Dictionary().Lookup(tag_name_id_);
}

void TXMLElement::SetAttribute(std::u16string_view name, std::u16string_view value) {
  IXMLAttributePtr attribute = Owner()->CreateAttribute(name);
  attribute->SetNodeValue(value);
  AttributeMapForWriting().SetNamedItem(attribute);
}

void TXMLElement::WriteNode(TXMLTextStream& stream) const {
  const std::u16string tag_name = NodeName();
  stream.LineBreak(false);
  stream.Emit(u"<" + tag_name);
  if (const TXMLNamedNodeMap* attributes = AttributeMap()) {
    for (int32_t i = 0; i < attributes->Length(); ++i)
      attributes->Node(i).WriteNode(stream);
  }
  if (!HasChildNodes()) {
    if (stream.Layout() == LayoutMode::Indented)
      stream.Emit(u" ");
    stream.Emit(u"/>");
    return;
  }
  stream.Emit(u">");
  const TXMLNodeList& children = *ChildList();
  stream.EnterLevel();
  for (int32_t i = 0; i < children.Length(); ++i)
    children.Node(i).WriteNode(stream);
  stream.LeaveLevel();
  if (children.Length() != 1 || children.Node(0).NodeType() != kTextNode)
    stream.LineBreak(false);
  stream.Emit(u"</" + tag_name + u">");
}

TXMLAttr::TXMLAttr(TXMLDocument& owner_document, std::u16string_view name)
    : TXMLNode(&owner_document, kAttributeNode, owner_document.Dictionary()),
      name_id_(Dictionary().Intern(name)) {}

std::u16string TXMLAttr::NodeName() const {
  return Dictionary().Lookup(name_id_);
}

void TXMLAttr::SetNodeValue(std::u16string_view value) {
  SetValueId(Dictionary().Intern(value));
}

void TXMLAttr::WriteNode(TXMLTextStream& stream) const {
  const std::u16string name = NodeName();
  const std::u16string value = EscapeMarkup(NodeValue());
  std::u16string fragment;
  fragment.reserve(name.size() + value.size() + 4);
  fragment += u' ';
  fragment += name;
  fragment += u"=\"";
  fragment += value;
  fragment += u'"';
  stream.Emit(fragment);
}

TXMLProcessingInstruction::TXMLProcessingInstruction(TXMLDocument& owner_document,
                                                     std::u16string_view target,
                                                     std::u16string_view data)
    : TXMLNode(&owner_document, kProcessingInstructionNode, owner_document.Dictionary()),
      target_(target),
      data_(data) {}

void TXMLProcessingInstruction::WriteNode(TXMLTextStream& stream) const {
  stream.LineBreak(false);
  stream.Emit(u"<?" + target_ + u" " + data_ + u"?>");
}

}  // namespace velmorra
