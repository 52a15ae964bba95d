#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xml/byte_stream.h"

namespace velmorra {

// DOM Level 1 node type numbers. The model creates elements, attributes, processing instructions
// and documents; text nodes are only referred to by the writer's end-tag rule.
inline constexpr uint8_t kElementNode = 1;
inline constexpr uint8_t kAttributeNode = 2;
inline constexpr uint8_t kTextNode = 3;
inline constexpr uint8_t kProcessingInstructionNode = 7;
inline constexpr uint8_t kDocumentNode = 9;

// How a save lays out the document: `Compact` writes no line breaks and no indentation,
// `LineBreaks` line breaks only, `Indented` line breaks and two spaces per level.
enum class LayoutMode : uint8_t { Compact = 0, LineBreaks = 1, Indented = 2 };

class IXMLNode;
class IXMLElement;
class IXMLAttribute;
class IXMLProcessingInstruction;
class IXMLDocument;
class IXMLNodeList;
class IXMLNamedNodeMap;

// Every interface pointer holds a reference; a node lives while any pointer to it, or a parent
// that holds it, lives.
using IXMLNodePtr = std::shared_ptr<IXMLNode>;
using IXMLElementPtr = std::shared_ptr<IXMLElement>;
using IXMLAttributePtr = std::shared_ptr<IXMLAttribute>;
using IXMLProcessingInstructionPtr = std::shared_ptr<IXMLProcessingInstruction>;
using IXMLDocumentPtr = std::shared_ptr<IXMLDocument>;
using IXMLNodeListPtr = std::shared_ptr<IXMLNodeList>;
using IXMLNamedNodeMapPtr = std::shared_ptr<IXMLNamedNodeMap>;

// An ordered list of nodes that holds references to them.
class IXMLNodeList {
 public:
  virtual ~IXMLNodeList() = default;
  virtual int32_t Length() const = 0;
  // The node at `index` (from 0); nullptr when there is none.
  virtual IXMLNodePtr Item(int32_t index) const = 0;
};

// The attribute collection of an element: nodes in the order their names were first set.
class IXMLNamedNodeMap {
 public:
  virtual ~IXMLNamedNodeMap() = default;
  virtual int32_t Length() const = 0;
  virtual IXMLNodePtr Item(int32_t index) const = 0;
  // The first node whose NodeName equals `name` exactly (case-sensitive); nullptr if none.
  virtual IXMLNodePtr GetNamedItem(std::u16string_view name) const = 0;
  // Puts `node` in the place of the node of the same NodeName, releasing that one, or appends it.
  virtual void SetNamedItem(const IXMLNodePtr& node) = 0;
};

// A node of a document tree, after W3C DOM Level 1. Names and values are UTF-16 text and are not
// checked against XML's rules. A node keeps its document's text dictionary without holding the
// document: keep the document referenced for as long as any of its nodes is used.
class IXMLNode {
 public:
  virtual ~IXMLNode() = default;

  virtual std::u16string NodeName() const = 0;
  // The value of an attribute; the empty text for every other kind of node.
  virtual std::u16string NodeValue() const = 0;
  // Only attributes take a value; any other node raises EXMLException with code 7.
  virtual void SetNodeValue(std::u16string_view value) = 0;
  virtual uint8_t NodeType() const = 0;
  // The node this one was appended to; nullptr before it is appended (or once that parent is gone).
  virtual IXMLNodePtr ParentNode() const = 0;
  // The document that created this node; nullptr for a document.
  virtual IXMLDocumentPtr OwnerDocument() const = 0;

  // The child list and the attribute collection are created on first request.
  virtual IXMLNodeListPtr ChildNodes() = 0;
  virtual IXMLNamedNodeMapPtr Attributes() = 0;
  virtual bool HasChildNodes() const = 0;

  // Moves `new_child` to the end of this node's children and returns it. Raises EXMLException,
  // leaving the tree unchanged, for a child of another document (code 4) and for an attribute
  // appended to an element (code 3). Throws std::invalid_argument for a null or foreign node.
  virtual IXMLNodePtr AppendChild(const IXMLNodePtr& new_child) = 0;
};

class IXMLElement : public virtual IXMLNode {
 public:
  virtual std::u16string TagName() const = 0;
  // Sets the attribute `name` to `value`. A name set before (compared case-sensitively) keeps its
  // position and takes the new value; a new name goes after the existing attributes.
  virtual void SetAttribute(std::u16string_view name, std::u16string_view value) = 0;
};

class IXMLAttribute : public virtual IXMLNode {
 public:
  virtual std::u16string Name() const = 0;
  virtual std::u16string Value() const = 0;
  virtual void SetValue(std::u16string_view value) = 0;
  virtual bool Specified() const = 0;
};

class IXMLProcessingInstruction : public virtual IXMLNode {
 public:
  virtual std::u16string Target() const = 0;
  virtual std::u16string Data() const = 0;
};

// A document: creates its nodes, holds its top-level children, and saves itself. A save reads the
// tree and changes nothing in it.
class IXMLDocument : public virtual IXMLNode {
 public:
  // A new, unattached node of this document.
  virtual IXMLElementPtr CreateElement(std::u16string_view tag_name) = 0;
  virtual IXMLProcessingInstructionPtr CreateProcessingInstruction(std::u16string_view target,
                                                                   std::u16string_view data) = 0;
  virtual IXMLAttributePtr CreateAttribute(std::u16string_view name) = 0;

  // Writes the document into the file at `path` (8-bit text of the system code page) in the code
  // page its XML declaration names. The file appears only complete: the bytes go to a new file
  // that takes the place of `path` once all of them are on disk. Raises EFileCreateError when the
  // file cannot be created and EFileWriteError when it cannot be written completely, and lets
  // EOrvikTextStream through; on any failure a file already at `path` stays as it was.
  virtual void SaveToFile(const std::string& path, LayoutMode layout) = 0;
  // Writes the document into `stream`, which is truncated first. Raises EXMLWriteError when the
  // stream takes fewer bytes than offered, and lets EOrvikTextStream through; what was written
  // until then stays in the stream.
  virtual void SaveToByteStream(TByteStream& stream, LayoutMode layout) = 0;
};

}  // namespace velmorra
