#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "xml/byte_stream.h"

namespace velmorra {

class TDictionary;

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

// A reference to an object of the XML model (a node or one of its lists), counted in the object
// itself: the object lives while any TXMLPtr to it, or a parent that holds it, lives. Copies and
// conversions to a base interface add a reference; a null pointer holds none. Taking a raw pointer
// adds a reference too, so a raw pointer that the model handed out may be wrapped again at any
// time. The count is not synchronised: one thread at a time.
template <typename T>
class TXMLPtr {
 public:
  TXMLPtr() = default;
  TXMLPtr(std::nullptr_t) {}
  TXMLPtr(T* object) : object_(object) { Acquire(); }
  TXMLPtr(const TXMLPtr& other) : object_(other.object_) { Acquire(); }
  TXMLPtr(TXMLPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <typename U>
  requires std::is_convertible_v<U*, T*> TXMLPtr(const TXMLPtr<U>& other) : object_(other.get()) {
    Acquire();
  }
  template <typename U>
  requires std::is_convertible_v<U*, T*> TXMLPtr(TXMLPtr<U>&& other)
  noexcept : object_(other.Detach()) {}
  ~TXMLPtr() { Drop(); }

  TXMLPtr& operator=(TXMLPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset() { TXMLPtr().swap(*this); }
  void swap(TXMLPtr& other) noexcept { std::swap(object_, other.object_); }
  // Gives up the reference without releasing it; the caller owns it from then on.
  T* Detach() { return std::exchange(object_, nullptr); }

 private:
  void Acquire() {
    if (object_)
      object_->AddRef();
  }
  void Drop() {
    if (object_)
      object_->Release();
  }

  T* object_ = nullptr;
};

// Pointers to the same object compare equal, whichever of its interfaces they name.
template <typename T, typename U>
bool operator==(const TXMLPtr<T>& a, const TXMLPtr<U>& b) {
  return a.get() == b.get();
}
template <typename T>
bool operator==(const TXMLPtr<T>& a, std::nullptr_t) {
  return a.get() == nullptr;
}

// The object of `pointer` as a `T`, or nullptr when it is none (dynamic_cast).
template <typename T, typename U>
TXMLPtr<T> XMLCast(const TXMLPtr<U>& pointer) {
  return TXMLPtr<T>(dynamic_cast<T*>(pointer.get()));
}

// Every interface pointer holds a reference.
using IXMLNodePtr = TXMLPtr<IXMLNode>;
using IXMLElementPtr = TXMLPtr<IXMLElement>;
using IXMLAttributePtr = TXMLPtr<IXMLAttribute>;
using IXMLProcessingInstructionPtr = TXMLPtr<IXMLProcessingInstruction>;
using IXMLDocumentPtr = TXMLPtr<IXMLDocument>;
using IXMLNodeListPtr = TXMLPtr<IXMLNodeList>;
using IXMLNamedNodeMapPtr = TXMLPtr<IXMLNamedNodeMap>;

// What every object of the model offers for counting references; TXMLPtr does the counting.
class IXMLReferenced {
 public:
  virtual void AddRef() = 0;
  // Destroys the object when the last reference goes.
  virtual void Release() = 0;

 protected:
  ~IXMLReferenced() = default;
};

// An ordered list of nodes that holds references to them.
class IXMLNodeList : public IXMLReferenced {
 public:
  virtual int32_t Length() const = 0;
  // The node at `index` (from 0); nullptr when there is none.
  virtual IXMLNodePtr Item(int32_t index) const = 0;
};

// The attribute collection of an element: nodes in the order their names were first set.
class IXMLNamedNodeMap : public IXMLReferenced {
 public:
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
class IXMLNode : public IXMLReferenced {
 public:
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

// An attribute given by the dictionary ids of its name and its value.
struct TAttributeIds {
  int32_t NameId;
  int32_t ValueId;
};

class IXMLElement : public virtual IXMLNode {
 public:
  virtual std::u16string TagName() const = 0;
  // Sets the attribute `name` to `value`. A name set before (compared case-sensitively) keeps its
  // position and takes the new value; a new name goes after the existing attributes.
  virtual void SetAttribute(std::u16string_view name, std::u16string_view value) = 0;
  // SetAttribute with the name and the value given by their ids in the owner document's
  // Dictionary(), for a caller that interns its texts itself.
  virtual void SetAttributeIds(int32_t name_id, int32_t value_id) = 0;
  // Appends to this element's children a new element named by `tag_name_id` with `attributes`,
  // ids as in SetAttributeIds: the same as CreateElement, AppendChild and SetAttributeIds of each
  // pair in turn, for a caller that makes very many alike elements. The new element may be kept
  // compactly, without a node, until ChildNodes hands it out; it is then a node of the document's
  // element class, which stays. Throws std::out_of_range for an id that was never handed out.
  virtual void AppendElementIds(int32_t tag_name_id, std::span<const TAttributeIds> attributes) = 0;
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
// tree, on two threads for an element with many children, and changes nothing in it: the tree must
// not change while it is saved.
class IXMLDocument : public virtual IXMLNode {
 public:
  // A new, unattached node of this document.
  virtual IXMLElementPtr CreateElement(std::u16string_view tag_name) = 0;
  virtual IXMLProcessingInstructionPtr CreateProcessingInstruction(std::u16string_view target,
                                                                   std::u16string_view data) = 0;
  virtual IXMLAttributePtr CreateAttribute(std::u16string_view name) = 0;
  // The dictionary in which the document's nodes keep their names and values (see
  // SetAttributeIds); it lives as long as the document.
  virtual TDictionary& Dictionary() const = 0;

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
