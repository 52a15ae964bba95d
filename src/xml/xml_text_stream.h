#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xml/byte_stream.h"
#include "xml/dictionary.h"
#include "xml/orvik_text_stream.h"
#include "xml/xml_interfaces.h"

namespace velmorra {

// The writer of one save: hands UTF-16 fragments to an encoded text stream over `stream` and adds
// line breaks and indentation as the layout asks. Creating it truncates the byte stream and writes
// the code page's byte-order mark. The byte stream is not owned and must outlive the writer.
class TXMLTextStream {
 public:
  // The value Depth takes once the children of a top-level element are written.
  static constexpr int32_t kTopLevel = 2147483647;

  TXMLTextStream(TByteStream& stream, uint16_t code_page, LayoutMode layout);
  // A writer that goes on where `continued` stands (its code page, layout and depth) into
  // another byte stream, which it neither truncates nor starts with a byte-order mark: for writing
  // a part of the document apart, whose bytes `continued` then takes with EmitEncoded.
  TXMLTextStream(TByteStream& stream, const TXMLTextStream& continued);

  // Whether the code page is converted by the stream itself (UTF-8, UTF-16, UTF-32) rather than by
  // the platform, so that writers on several threads may convert at once.
  bool ConvertsWithoutPlatform() const;
  // Writes bytes that a writer made by the constructor above converted, unchanged. Raises
  // EXMLWriteError when the byte stream takes fewer of them than offered.
  void EmitEncoded(std::string_view bytes);

  // Converts and writes `text` at once. Raises EXMLWriteError when the byte stream takes fewer
  // bytes than offered, and lets EOrvikTextStream through.
  void Emit(std::u16string_view text);
  // Emit of the fragments that nodes write, built from the texts of `dictionary`: a start tag's
  // "<" and name; an end tag's "</", name and ">"; an attribute's space, name, equals sign, double
  // quote, value escaped by EscapeMarkup, and double quote (value id -1 is the empty value).
  void EmitStartTag(const TDictionary& dictionary, int32_t name_id);
  void EmitEndTag(const TDictionary& dictionary, int32_t name_id);
  void EmitAttribute(const TDictionary& dictionary, int32_t name_id, int32_t value_id);
  // The end of an empty element's start tag: " />" under Indented, "/>" otherwise.
  void EmitEmptyTagEnd();
  // Writes an element without children, with its line break: the same as LineBreak(false),
  // EmitStartTag, EmitAttribute of each pair and EmitEmptyTagEnd, in one write.
  void EmitEmptyElement(const TDictionary& dictionary, int32_t name_id,
                        std::span<const TAttributeIds> attributes);
  // Under LineBreaks and Indented: writes CR LF when `force` is set or Depth is above 0, then,
  // under Indented, two spaces per level while Depth is above 0 and below kTopLevel.
  void LineBreak(bool force);
  void EnterLevel();
  void LeaveLevel();

  LayoutMode Layout() const { return layout_; }
  // -1 before the document, 0 for its children, one more per level of elements.
  int32_t Depth() const { return depth_; }

 private:
  // Whether fragments are written as UTF-8 bytes made here rather than converted by text_.
  bool WritesUtf8Bytes() const;
  // The number of spaces of LineBreak(force)'s indentation, and whether it starts with CR LF.
  size_t IndentWidth() const;
  bool BreaksLine(bool force) const;
  // In UTF-8, ` name="` of the attribute name `name_id`.
  const std::string& AttributeStart(const TDictionary& dictionary, int32_t name_id);
  // Writes what EmitAttribute writes, in UTF-8, at `used` in bytes_; the new end.
  size_t PutAttributeBytes(const TDictionary& dictionary, int32_t name_id, int32_t value_id,
                           size_t used);

  TOrvikTextStream text_;
  LayoutMode layout_;
  int32_t depth_ = -1;
  // Reused for every fragment that is built, and for the texts that go into it.
  std::u16string fragment_;
  std::u16string value_;
  std::string bytes_;  // a fragment already in UTF-8 (its first bytes; the rest is room)
  std::u16string indentation_;
  // In UTF-8, ` name="` of the attribute names with small ids, made when first written (empty
  // until then).
  std::vector<std::string> attribute_starts_;
  std::string scratch_start_;  // the same for a larger id
  // In UTF-8, the escaped values with small ids and their closing quote, made when first written.
  std::vector<std::string> value_ends_;
};

}  // namespace velmorra
