#include "xml/xml_text_stream.h"

#include <string>

#include "xml/xml_exception.h"

namespace velmorra {

TXMLTextStream::TXMLTextStream(TByteStream& stream, uint16_t code_page, LayoutMode layout)
    : text_(stream, kOrvikWrite, 0, code_page), layout_(layout) {}

void TXMLTextStream::Emit(std::u16string_view text) {
  if (!text_.WriteText(text))
    throw EXMLWriteError();
}

void TXMLTextStream::LineBreak(bool force) {
  if (layout_ == LayoutMode::Compact)
    return;
  if (force || depth_ > 0)
    Emit(u"\r\n");
  if (layout_ == LayoutMode::Indented && depth_ > 0 && depth_ < kTopLevel) {
    Emit(std::u16string(2 * static_cast<size_t>(depth_), u' '));
  }
}

void TXMLTextStream::EnterLevel() {
  if (depth_ == kTopLevel)
    depth_ = 0;
  ++depth_;
}

// After the children of a top-level element the level becomes the marker rather than 0, so that
// the line break before that element's end tag is written, unindented.
void TXMLTextStream::LeaveLevel() {
  --depth_;
  if (depth_ == 0)
    depth_ = kTopLevel;
}

}  // namespace velmorra
