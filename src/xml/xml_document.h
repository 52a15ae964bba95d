#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "xml/byte_stream.h"
#include "xml/compact_element.h"
#include "xml/dictionary.h"
#include "xml/node_arena.h"
#include "xml/xml_interfaces.h"
#include "xml/xml_nodes.h"

namespace velmorra {

// A new empty document: no children, a fresh dictionary. The caller's pointer keeps the document,
// and through it every node appended to it, alive.
IXMLDocumentPtr MakeXMLDocument();

// The document node. It owns the dictionary in which its nodes intern their names and values, and
// the memory of its nodes. A specialised document substitutes its own node classes by overriding
// the New* operations, which make their nodes with MakeNode. Create a document with `new` and hand
// it to an IXMLDocumentPtr at once; it deletes itself once neither a reference to it nor any of its
// nodes is left.
class TXMLDocument : public TXMLNode, public IXMLDocument {
 public:
  TXMLDocument();

  std::u16string NodeName() const override { return u"#document"; }
  IXMLDocumentPtr OwnerDocument() const override { return nullptr; }
  // Writes the children, with a line break between two of them and none after the last; a
  // document without children writes nothing.
  void WriteNode(TXMLTextStream& stream) const override;

  IXMLElementPtr CreateElement(std::u16string_view tag_name) override;
  IXMLProcessingInstructionPtr CreateProcessingInstruction(std::u16string_view target,
                                                           std::u16string_view data) override;
  IXMLAttributePtr CreateAttribute(std::u16string_view name) override;

  void SaveToFile(const std::string& path, LayoutMode layout) override;
  void SaveToByteStream(TByteStream& stream, LayoutMode layout) override;

  bool PreserveWhiteSpace() const { return preserve_white_space_; }
  TDictionary& Dictionary() const override { return dictionary_; }
  // Bytes taken for this document's nodes so far.
  size_t NodeBytes() const { return arena_.ReservedBytes(); }

 protected:
  ~TXMLDocument() override;

  // The node classes the create operations instantiate.
  virtual TXMLPtr<TXMLElement> NewElement(std::u16string_view tag_name);
  virtual TXMLPtr<TXMLAttr> NewAttribute(std::u16string_view name);
  virtual TXMLPtr<TXMLProcessingInstruction> NewProcessingInstruction(std::u16string_view target,
                                                                      std::u16string_view data);

  // Whether elements keep the attributes that SetAttribute gives them compactly rather than as
  // nodes of the attribute class (see TXMLElement). A specialised document whose attribute class
  // must see every SetAttribute returns false.
  virtual bool KeepsAttributesCompact() const { return true; }
  // Whether AppendElementIds may keep an element compactly, making its node of the element class
  // only when it is asked for. A specialised document whose element class must see every
  // element made returns false.
  virtual bool KeepsElementsCompact() const { return true; }

  // A new node of this document in the document's memory; `arguments` go to its constructor.
  template <typename TNode, typename... TArguments>
  TXMLPtr<TNode> MakeNode(TArguments&&... arguments) {
    void* memory = arena_.Allocate(sizeof(TNode), alignof(TNode));
    TNode* node = new (memory) TNode(std::forward<TArguments>(arguments)...);
    ++live_nodes_;
    return TXMLPtr<TNode>(node);
  }

  TXMLNodeList* Children(bool create) override;
  TXMLNamedNodeMap* AttributeItems(bool create) override;
  void Destroy() override;

 private:
  friend class TXMLNode;
  friend class TXMLElement;  // its attributes (nodes from NewAttribute, pairs in arena_) and
                             // compact children

  // The lists of a node that does not hold its own (an attribute, a processing instruction).
  struct TKeptLists {
    explicit TKeptLists(TXMLNode& holder) : children(holder), attributes(holder) {}
    TXMLNodeList children;
    TXMLNamedNodeMap attributes;
  };

  TXMLNodeList* KeptChildren(TXMLNode& node, bool create);
  TXMLNamedNodeMap* KeptAttributes(TXMLNode& node, bool create);
  TKeptLists* KeptLists(TXMLNode& node, bool create);
  void DropKeptLists(const TXMLNode& node);
  // The node of a compact element of this document (see TXMLNode::ExpandCompactChild).
  TXMLNode& ExpandCompactElement(const unsigned char* element);
  void WriteCompactElement(const unsigned char* element, TXMLTextStream& stream) const;
  // A node of this document was destroyed.
  void NodeGone();
  void DeleteWhenUnused();

  mutable TDictionary dictionary_;
  TNodeArena arena_;
  TElementLayouts layouts_;  // of the compact elements, which live in arena_
  TXMLNodeList children_{*this};
  TXMLNamedNodeMap attributes_{*this};
  std::unordered_map<const TXMLNode*, std::unique_ptr<TKeptLists>> kept_lists_;
  size_t live_nodes_ = 0;
  // The most attributes an element of this document has had; a new element's collection starts
  // with room for that many, as the elements of a document tend to look alike.
  size_t attribute_room_ = 0;
  bool releasing_tree_ = false;
  bool preserve_white_space_ = true;
};

}  // namespace velmorra
