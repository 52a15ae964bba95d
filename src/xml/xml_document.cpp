#include "xml/xml_document.h"

#include "xml/output_code_page.h"
#include "xml/output_file_stream.h"
#include "xml/xml_exception.h"
#include "xml/xml_text_stream.h"

namespace velmorra {

IXMLDocumentPtr MakeXMLDocument() {
  return std::make_shared<TXMLDocument>();
}

// The dictionary member is only bound here, not used, before it is constructed.
TXMLDocument::TXMLDocument() : TXMLNode(nullptr, kDocumentNode, dictionary_) {}

void TXMLDocument::WriteNode(TXMLTextStream& stream) const {
  if (!HasChildNodes())
    return;
  const TXMLNodeList& children = *ChildList();
  stream.EnterLevel();
  for (int32_t i = 0; i < children.Length(); ++i) {
    if (i > 0)
      stream.LineBreak(true);
    children.Node(i).WriteNode(stream);
  }
  stream.LeaveLevel();
}

IXMLElementPtr TXMLDocument::CreateElement(std::u16string_view tag_name) {
  return NewElement(tag_name);
}

IXMLProcessingInstructionPtr TXMLDocument::CreateProcessingInstruction(std::u16string_view target,
                                                                       std::u16string_view data) {
  return NewProcessingInstruction(target, data);
}

IXMLAttributePtr TXMLDocument::CreateAttribute(std::u16string_view name) {
  return NewAttribute(name);
}

std::shared_ptr<TXMLElement> TXMLDocument::NewElement(std::u16string_view tag_name) {
  return std::make_shared<TXMLElement>(*this, tag_name);
}

std::shared_ptr<TXMLAttr> TXMLDocument::NewAttribute(std::u16string_view name) {
  return std::make_shared<TXMLAttr>(*this, name);
}

std::shared_ptr<TXMLProcessingInstruction> TXMLDocument::NewProcessingInstruction(
    std::u16string_view target, std::u16string_view data) {
  return std::make_shared<TXMLProcessingInstruction>(*this, target, data);
}

void TXMLDocument::SaveToByteStream(TByteStream& stream, LayoutMode layout) {
  const uint16_t code_page = ChooseOutputCodePage(*this);
  TXMLTextStream writer(stream, code_page, layout);
  WriteNode(writer);
}

// Until Commit the bytes go to a temporary file, which the output file removes when it goes
// uncommitted: a failed save, however it fails, leaves the file at `path` as it was.
void TXMLDocument::SaveToFile(const std::string& path, LayoutMode layout) {
  TOutputFileStream file(path);
  try {
    SaveToByteStream(file, layout);
  } catch (const EXMLWriteError&) {
    file.RaiseWriteError();
  }
  file.Commit();
}

}  // namespace velmorra
