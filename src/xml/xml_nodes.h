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
// parent and its owner document do not hold them. A node that goes clears the parent link of the
// children it held, so that a child kept elsewhere never points to a parent that is gone. Nodes
// are made only through a document's create operations (the document itself through
// MakeXMLDocument); their memory belongs to the document, which stays in memory, if no longer
// usable, until its last node is gone.
class TXMLNode : public virtual IXMLNode {
 public:
  TXMLNode(const TXMLNode&) = delete;
  TXMLNode& operator=(const TXMLNode&) = delete;

  void AddRef() final { ++ref_count_; }
  void Release() final {
    if (--ref_count_ == 0)
      Destroy();
  }

  std::u16string NodeValue() const override;
  void SetNodeValue(std::u16string_view value) override;
  uint8_t NodeType() const override { return node_type_; }
  IXMLNodePtr ParentNode() const override;
  IXMLDocumentPtr OwnerDocument() const override;
  IXMLNodeListPtr ChildNodes() override;
  IXMLNamedNodeMapPtr Attributes() override;
  bool HasChildNodes() const override;
  IXMLNodePtr AppendChild(const IXMLNodePtr& new_child) override;

  // Serialises this node, and what it holds, into `stream`. The children of a large element are
  // written on two threads at once (WriteChildrenInChunks), each with its own stream: an override
  // must only read the tree.
  virtual void WriteNode(TXMLTextStream& stream) const = 0;

  // True when this node and `other` have the same NodeName. Interned names of one dictionary are
  // compared by id, which saves decoding them.
  bool HasSameName(const TXMLNode& other) const;

  // The owner document's dictionary (the document's own for a document).
  TDictionary& Dictionary() const;

  // The child list and attribute collection; nullptr when they were never requested.
  const TXMLNodeList* ChildList() const { return const_cast<TXMLNode*>(this)->Children(false); }
  const TXMLNamedNodeMap* AttributeMap() const {
    return const_cast<TXMLNode*>(this)->AttributeItems(false);
  }

  // A node of the compact element `element` (compact_element.h), which this node's child list
  // holds, made of the document's element class with this node as its parent. The caller takes
  // over the one reference it comes with.
  TXMLNode& ExpandCompactChild(const unsigned char* element);
  // Writes the compact element `element` of this node's document as its node would be written.
  void WriteCompactChild(const unsigned char* element, TXMLTextStream& stream) const;

  // Clears the parent link if it names `parent` (the parent lets go of this node).
  void ForgetParent(const TXMLNode& parent) {
    if (parent_ == &parent)
      parent_ = nullptr;
  }

 protected:
  // `name_id` is the dictionary id of the node's name, -1 when the name is not interned.
  TXMLNode(TXMLDocument& owner_document, uint8_t node_type, int32_t name_id);
  virtual ~TXMLNode();

  // The child list and attribute collection, created when `create` is set; nullptr when they do
  // not exist. Elements and documents hold theirs; other nodes keep them with the document.
  virtual TXMLNodeList* Children(bool create);
  virtual TXMLNamedNodeMap* AttributeItems(bool create);

  // Called when the last reference goes: destroys the node and gives its memory back.
  virtual void Destroy();

  TXMLDocument& Owner() const { return *document_; }
  int32_t NameId() const { return name_id_; }
  int32_t ValueId() const { return value_id_; }
  void SetValueId(int32_t value_id) { value_id_ = value_id; }
  uint32_t RefCount() const { return ref_count_; }

 private:
  friend class TXMLDocument;

  TXMLDocument* document_;  // the owner document; the document itself for a document
  TXMLNode* parent_ = nullptr;
  uint32_t ref_count_ = 0;
  int32_t name_id_;
  int32_t value_id_ = -1;
  uint8_t node_type_;
  bool has_kept_lists_ = false;  // the document keeps lists for this node
};

// An element keeps the attributes that SetAttribute gives it compactly, as the dictionary ids of
// name and value, until their collection is first requested; from then on, for good, they are
// attribute nodes in that collection. Both forms hold the same names and values in the same order
// and are written alike, so only the memory they take differs.
class TXMLElement : public TXMLNode, public IXMLElement {
 public:
  TXMLElement(TXMLDocument& owner_document, std::u16string_view tag_name);

  std::u16string NodeName() const override;
  std::u16string TagName() const override { return NodeName(); }
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void SetAttributeIds(int32_t name_id, int32_t value_id) override;
  void AppendElementIds(int32_t tag_name_id, std::span<const TAttributeIds> attributes) override;
  void WriteNode(TXMLTextStream& stream) const override;

 protected:
  TXMLNodeList* Children(bool create) override;
  // Makes the attribute nodes from the compact form when `create` is set; nullptr while the
  // attributes are compact otherwise.
  TXMLNamedNodeMap* AttributeItems(bool create) override;

 private:
  // Replaces the compact form by a collection of new attribute nodes. On failure (no memory) the
  // compact form stays as it was.
  void MakeAttributeNodes();
  // SetAttribute through a new node of the document's attribute class.
  void SetAttributeNode(std::u16string_view name, std::u16string_view value);
  // Sets the pair of `name_id` in the compact form.
  void SetAttributePair(int32_t name_id, int32_t value_id);

  // The compact form, in the document's node memory: `pair_count_` pairs with room for
  // `pair_room_`; none once the collection exists. Outgrown room stays unused, as the document
  // gives its node memory back only all at once.
  TAttributeIds* pairs_ = nullptr;
  uint32_t pair_count_ = 0;
  uint32_t pair_room_ = 0;
  std::unique_ptr<TXMLNamedNodeMap> attributes_;
  // Most elements of a backup have no children: the list is made when first asked for.
  std::unique_ptr<TXMLNodeList> children_;
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
  // Always true: every attribute of the model was set by its creator.
  bool Specified() const override { return true; }
  // Writes ` name="value"` with the value escaped.
  void WriteNode(TXMLTextStream& stream) const override;
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
