#include "xml/xml_text_stream.h"

#include "xml/escape_markup.h"
#include "xml/xml_exception.h"

namespace velmorra {

TXMLTextStream::TXMLTextStream(TByteStream& stream, uint16_t code_page, LayoutMode layout)
    : text_(stream, kOrvikWrite, 0, code_page), layout_(layout) {}

TXMLTextStream::TXMLTextStream(TByteStream& stream, const TXMLTextStream& continued)
    : text_(stream, kOrvikContinue, 0, continued.text_.CodePage()),
      layout_(continued.layout_),
      depth_(continued.depth_) {}

bool TXMLTextStream::ConvertsWithoutPlatform() const {
  return (text_.Options() & kOrvikUnicode) != 0;
}

void TXMLTextStream::EmitEncoded(std::string_view bytes) {
  if (!text_.WriteEncodedBytes(bytes))
    throw EXMLWriteError();
}

void TXMLTextStream::Emit(std::u16string_view text) {
  if (!text_.WriteText(text))
    throw EXMLWriteError();
}

void TXMLTextStream::EmitStartTag(const TDictionary& dictionary, int32_t name_id) {
  fragment_.assign(u"<");
  dictionary.AppendText(name_id, fragment_);
  Emit(fragment_);
}

void TXMLTextStream::EmitEndTag(const TDictionary& dictionary, int32_t name_id) {
  fragment_.assign(u"</");
  dictionary.AppendText(name_id, fragment_);
  fragment_ += u'>';
  Emit(fragment_);
}

// A UTF-8 file takes the dictionary's stored forms almost as they are, without the detour through
// UTF-16.
void TXMLTextStream::EmitAttribute(const TDictionary& dictionary, int32_t name_id,
                                   int32_t value_id) {
  if (text_.CodePage() == kCodePageUtf8 && (text_.Options() & kOrvikUnicode)) {
    bytes_.assign(1, ' ');
    AppendStoredAsUtf8(dictionary.StoredForm(name_id), bytes_);
    bytes_ += "=\"";
    if (value_id >= 0)
      AppendEscapedAsUtf8(dictionary.StoredForm(value_id), bytes_);
    bytes_ += '"';
    if (!text_.WriteEncodedBytes(bytes_))
      throw EXMLWriteError();
    return;
  }
  fragment_.assign(u" ");
  dictionary.AppendText(name_id, fragment_);
  fragment_ += u"=\"";
  if (value_id >= 0) {
    value_.clear();
    dictionary.AppendText(value_id, value_);
    AppendEscapedMarkup(value_, fragment_);
  }
  fragment_ += u'"';
  Emit(fragment_);
}

void TXMLTextStream::LineBreak(bool force) {
  if (layout_ == LayoutMode::Compact)
    return;
  if (force || depth_ > 0)
    Emit(u"\r\n");
  if (layout_ == LayoutMode::Indented && depth_ > 0 && depth_ < kTopLevel) {
    const size_t width = 2 * static_cast<size_t>(depth_);
    if (indentation_.size() < width)
      indentation_.resize(width, u' ');
    Emit(std::u16string_view(indentation_).substr(0, width));
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
