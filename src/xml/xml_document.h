#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "xml/byte_stream.h"
#include "xml/dictionary.h"
#include "xml/xml_interfaces.h"
#include "xml/xml_nodes.h"

namespace velmorra {

// A new empty document: no children, a fresh dictionary. The caller's pointer keeps the document,
// and through it every node appended to it, alive.
IXMLDocumentPtr MakeXMLDocument();

// The document node. It owns the dictionary in which its nodes intern their names and values.
// A specialised document substitutes its own node classes by overriding the New* operations.
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

 protected:
  // The node classes the create operations instantiate.
  virtual std::shared_ptr<TXMLElement> NewElement(std::u16string_view tag_name);
  virtual std::shared_ptr<TXMLAttr> NewAttribute(std::u16string_view name);
  virtual std::shared_ptr<TXMLProcessingInstruction> NewProcessingInstruction(
      std::u16string_view target, std::u16string_view data);

 private:
  TDictionary dictionary_;
  bool preserve_white_space_ = true;
};

}  // namespace velmorra
