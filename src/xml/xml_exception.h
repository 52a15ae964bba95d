#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velmorra {

// The name of a DOM node type (1 "ELEMENT" to 12 "NOTATION") as the XML model's messages use it;
// the empty text for any other number.
std::string NodeTypeName(uint8_t node_type);

// Raised by the XML model when a DOM operation is not allowed. Code() is the DOM exception code,
// MessageNumber() the number of the text in the model's error-message table. Whatever raised it
// left the tree unchanged.
class EXMLException : public std::runtime_error {
 public:
  // DOM exception codes.
  static constexpr int kHierarchyRequestErr = 3;
  static constexpr int kWrongDocumentErr = 4;
  static constexpr int kNoModificationAllowedErr = 7;
  // Numbers of the texts in the error-message table.
  static constexpr int kInvalidNodeTypeMessage = 89;
  static constexpr int kWrongDocumentMessage = 90;

  EXMLException(const std::string& message, int code, int message_number)
      : std::runtime_error(message), code_(code), message_number_(message_number) {}

  // "NewChild was created from a different document than the one that created this node."
  static EXMLException WrongDocument();
  // "This operation can not be performed with a Node of type %s." naming `node_type`.
  static EXMLException InvalidNodeType(int code, uint8_t node_type);

  int Code() const { return code_; }
  int MessageNumber() const { return message_number_; }

 private:
  int code_;
  int message_number_;
};

// Raised when the byte stream under a save takes fewer bytes than it is offered, so that a short
// write never passes for a complete document. The bytes taken until then stay in the stream.
class EXMLWriteError : public std::runtime_error {
 public:
  EXMLWriteError() : std::runtime_error("The output took fewer bytes than it was given.") {}
};

}  // namespace velmorra
