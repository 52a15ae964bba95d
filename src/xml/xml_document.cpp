#include "xml/xml_document.h"

#include <array>
#include <vector>

#include "xml/output_code_page.h"
#include "xml/output_file_stream.h"
#include "xml/xml_exception.h"
#include "xml/xml_text_stream.h"

namespace velmorra {

IXMLDocumentPtr MakeXMLDocument() {
  return IXMLDocumentPtr(new TXMLDocument());
}

// The base only keeps the address of the document; nothing of it is used before it is made.
TXMLDocument::TXMLDocument() : TXMLNode(*this, kDocumentNode, -1) {}

TXMLDocument::~TXMLDocument() = default;

// The tree goes with the last reference; the document itself (its dictionary and the memory of its
// nodes) only once no node of it is left either.
void TXMLDocument::Destroy() {
  releasing_tree_ = true;
  children_.Clear();
  attributes_.Clear();
  releasing_tree_ = false;
  DeleteWhenUnused();
}

void TXMLDocument::NodeGone() {
  --live_nodes_;
  DeleteWhenUnused();
}

void TXMLDocument::DeleteWhenUnused() {
  if (live_nodes_ == 0 && RefCount() == 0 && !releasing_tree_)
    delete this;
}

TXMLNodeList* TXMLDocument::Children(bool) {
  return &children_;
}

TXMLNamedNodeMap* TXMLDocument::AttributeItems(bool) {
  return &attributes_;
}

TXMLDocument::TKeptLists* TXMLDocument::KeptLists(TXMLNode& node, bool create) {
  const auto found = kept_lists_.find(&node);
  if (found != kept_lists_.end())
    return found->second.get();
  if (!create)
    return nullptr;
  node.has_kept_lists_ = true;
  return kept_lists_.emplace(&node, std::make_unique<TKeptLists>(node)).first->second.get();
}

TXMLNodeList* TXMLDocument::KeptChildren(TXMLNode& node, bool create) {
  TKeptLists* lists = KeptLists(node, create);
  return lists ? &lists->children : nullptr;
}

TXMLNamedNodeMap* TXMLDocument::KeptAttributes(TXMLNode& node, bool create) {
  TKeptLists* lists = KeptLists(node, create);
  return lists ? &lists->attributes : nullptr;
}

void TXMLDocument::DropKeptLists(const TXMLNode& node) {
  const auto found = kept_lists_.find(&node);
  if (found == kept_lists_.end())
    return;
  // Out of the table first: releasing the lists' nodes may come back here for other nodes.
  const std::unique_ptr<TKeptLists> lists = std::move(found->second);
  kept_lists_.erase(found);
}

void TXMLDocument::WriteNode(TXMLTextStream& stream) const {
  if (children_.Length() == 0)
    return;
  stream.EnterLevel();
  for (int32_t i = 0; i < children_.Length(); ++i) {
    if (i > 0)
      stream.LineBreak(true);
    children_.WriteItem(i, stream);
  }
  stream.LeaveLevel();
}

namespace {

// Calls `use` with the attributes of the compact element `element`, held on the stack when they
// are few.
template <typename TUse>
void WithCompactAttributes(const unsigned char* element, const TElementLayouts& layouts, TUse use) {
  constexpr size_t kOnStack = 32;
  const size_t count = layouts[CompactElementLayout(element)].AttributeNameIds.size();
  if (count <= kOnStack) {
    std::array<TAttributeIds, kOnStack> attributes;
    CompactElementAttributes(element, layouts, std::span(attributes.data(), count));
    use(std::span<const TAttributeIds>(attributes.data(), count));
  } else {
    std::vector<TAttributeIds> attributes(count);
    CompactElementAttributes(element, layouts, attributes);
    use(std::span<const TAttributeIds>(attributes));
  }
}

}  // namespace

TXMLNode& TXMLDocument::ExpandCompactElement(const unsigned char* element) {
  const int32_t tag_name_id = layouts_[CompactElementLayout(element)].TagNameId;
  TXMLPtr<TXMLElement> node = NewElement(dictionary_.Lookup(tag_name_id));
  WithCompactAttributes(element, layouts_, [&](std::span<const TAttributeIds> attributes) {
    for (const TAttributeIds& pair : attributes)
      node->SetAttributeIds(pair.NameId, pair.ValueId);
  });
  return *node.Detach();
}

void TXMLDocument::WriteCompactElement(const unsigned char* element, TXMLTextStream& stream) const {
  const int32_t tag_name_id = layouts_[CompactElementLayout(element)].TagNameId;
  WithCompactAttributes(element, layouts_, [&](std::span<const TAttributeIds> attributes) {
    stream.EmitEmptyElement(dictionary_, tag_name_id, attributes);
  });
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

TXMLPtr<TXMLElement> TXMLDocument::NewElement(std::u16string_view tag_name) {
  return MakeNode<TXMLElement>(*this, tag_name);
}

TXMLPtr<TXMLAttr> TXMLDocument::NewAttribute(std::u16string_view name) {
  return MakeNode<TXMLAttr>(*this, name);
}

TXMLPtr<TXMLProcessingInstruction> TXMLDocument::NewProcessingInstruction(
    std::u16string_view target, std::u16string_view data) {
  return MakeNode<TXMLProcessingInstruction>(*this, target, data);
}

void TXMLDocument::SaveToByteStream(TByteStream& stream, LayoutMode layout) {
  const uint16_t code_page = ChooseOutputCodePage(*this);
  TXMLTextStream writer(stream, code_page, layout);
  WriteNode(writer);
}

// Until Commit the bytes go to a temporary file, which the output file removes when it goes
// uncommitted: a failed save, however it fails, leaves the file at `path` as it was (save where
// the folder takes no new file and the file is written in place).
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
