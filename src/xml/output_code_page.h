#pragma once

#include <cstdint>
#include <optional>

#include "xml/xml_interfaces.h"

namespace velmorra {

// The code page named by the encoding pseudo-attribute of an XML declaration: nothing when `pi`
// is not a declaration (target "xml" in any case), has no `encoding="…"` or `encoding='…'`
// (written without blanks around the equals sign), or names a charset not in CharsetTable.
std::optional<uint16_t> DeclaredCodePage(const IXMLProcessingInstruction& pi);

// The code page a save of `document` writes in: the one declared by the last processing
// instruction among the document's own children, else 65001 (UTF-8).
uint16_t ChooseOutputCodePage(IXMLNode& document);

}  // namespace velmorra
