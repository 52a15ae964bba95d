#include "xml/xml_exception.h"

#include <array>

namespace velmorra {

std::string NodeTypeName(uint8_t node_type) {
  static constexpr std::array<const char*, 12> kNames = {"ELEMENT",
                                                         "ATTRIBUTE",
                                                         "TEXT",
                                                         "CDATA_SECTION",
                                                         "ENTITY_REFERENCE",
                                                         "ENTITY_NODE",
                                                         "PROCESSING_INSTRUCTION",
                                                         "COMMENT",
                                                         "DOCUMENT",
                                                         "DOCUMENT_TYPE",
                                                         "DOCUMENT_FRAGMENT",
                                                         "NOTATION"};
  if (node_type < 1 || node_type > kNames.size())
    return std::string();
  return kNames[node_type - 1];
}

EXMLException EXMLException::WrongDocument() {
  return EXMLException(
      "NewChild was created from a different document than the one that created this node.",
      kWrongDocumentErr, kWrongDocumentMessage);
}

EXMLException EXMLException::InvalidNodeType(int code, uint8_t node_type) {
  return EXMLException(
      "This operation can not be performed with a Node of type " + NodeTypeName(node_type) + ".",
      code, kInvalidNodeTypeMessage);
}

}  // namespace velmorra
