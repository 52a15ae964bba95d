#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xml/dictionary.h"
#include "xml/xml_interfaces.h"
#include "xml/xml_node_list.h"

namespace velmorra {

class TXMLDocument;
class TXMLTextStream;

// Base of every node of the model. A node holds its children and attributes; its links to its
// parent, its owner document and the document's dictionary do not hold them. A node that goes
// clears the parent link of the children it held, so that a child kept elsewhere never points to
// a parent that is gone. Nodes are made through a document's create operations (the document
// itself through MakeXMLDocument) and always live in a std::shared_ptr.
class TXMLNode : public virtual IXMLNode, public std::enable_shared_from_this<TXMLNode> {
 public:
  ~TXMLNode() override;
  TXMLNode(const TXMLNode&) = delete;
  TXMLNode& operator=(const TXMLNode&) = delete;

  std::u16string NodeValue() const override;
  void SetNodeValue(std::u16string_view value) override;
  uint8_t NodeType() const override { return node_type_; }
  IXMLNodePtr ParentNode() const override;
  IXMLDocumentPtr OwnerDocument() const override;
  IXMLNodeListPtr ChildNodes() override;
  IXMLNamedNodeMapPtr Attributes() override;
  bool HasChildNodes() const override;
  IXMLNodePtr AppendChild(const IXMLNodePtr& new_child) override;

  // Serialises this node, and what it holds, into `stream`.
  virtual void WriteNode(TXMLTextStream& stream) const = 0;

  // True when this node and `other` have the same NodeName. Interned names of one dictionary are
  // compared by id, which saves decoding them.
  bool HasSameName(const TXMLNode& other) const;

  // The owner document's dictionary (the document's own for a document).
  TDictionary& Dictionary() const { return dictionary_; }

 protected:
  TXMLNode(TXMLDocument* owner_document, uint8_t node_type, TDictionary& dictionary);

  // The dictionary id of an interned name, -1 for a name that is not interned.
  virtual int32_t NameId() const { return -1; }

  TXMLDocument* Owner() const { return owner_document_; }
  int32_t ValueId() const { return value_id_; }
  void SetValueId(int32_t value_id) { value_id_ = value_id; }
  // The child list and attribute collection without creating them; nullptr when never requested.
  const TXMLNodeList* ChildList() const { return child_nodes_.get(); }
  const TXMLNamedNodeMap* AttributeMap() const { return attributes_.get(); }
  TXMLNamedNodeMap& AttributeMapForWriting();

 private:
  TXMLDocument* owner_document_;
  uint8_t node_type_;
  std::shared_ptr<TXMLNamedNodeMap> attributes_;
  std::shared_ptr<TXMLNodeList> child_nodes_;
  TXMLNode* parent_ = nullptr;
  int32_t value_id_ = -1;
  TDictionary& dictionary_;
};

class TXMLElement : public TXMLNode, public IXMLElement {
 public:
  TXMLElement(TXMLDocument& owner_document, std::u16string_view tag_name);

  std::u16string NodeName() const override;
  std::u16string TagName() const override { return NodeName(); }
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void WriteNode(TXMLTextStream& stream) const override;

 protected:
  int32_t NameId() const override { return tag_name_id_; }

 private:
  int32_t tag_name_id_;
};

class TXMLAttr : public TXMLNode, public IXMLAttribute {
 public:
  // A new attribute has the empty value.
  TXMLAttr(TXMLDocument& owner_document, std::u16string_view name);

  std::u16string NodeName() const override;
  void SetNodeValue(std::u16string_view value) override;
  std::u16string Name() const override { return NodeName(); }
  std::u16string Value() const override { return NodeValue(); }
  void SetValue(std::u16string_view value) override { SetNodeValue(value); }
  bool Specified() const override { return specified_; }
  // Writes ` name="value"` with the value escaped.
  void WriteNode(TXMLTextStream& stream) const override;

 protected:
  int32_t NameId() const override { return name_id_; }

 private:
  int32_t name_id_;
  bool specified_ = true;
};

// Target and data are kept as given, not interned, and written without escaping.
class TXMLProcessingInstruction : public TXMLNode, public IXMLProcessingInstruction {
 public:
  TXMLProcessingInstruction(TXMLDocument& owner_document, std::u16string_view target,
                            std::u16string_view data);

  std::u16string NodeName() const override { return target_; }
  std::u16string Target() const override { return target_; }
  std::u16string Data() const override { return data_; }
  void WriteNode(TXMLTextStream& stream) const override;

 private:
  std::u16string target_;
  std::u16string data_;
};

}  // namespace velmorra
