#include "xml/xml_text_stream.h"

#include <algorithm>
#include <cstring>

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

bool TXMLTextStream::WritesUtf8Bytes() const {
  return text_.CodePage() == kCodePageUtf8 && (text_.Options() & kOrvikUnicode);
}

namespace {

// Texts of the dictionary whose ids are below this are kept in their written form once written:
// names and the values that recur come first.
constexpr int32_t kKeptIds = 1024;

// Copies `bytes` to `out` and returns the end; pieces of 8 to 16 bytes without a call.
char* Put(char* out, std::string_view bytes) {
  const size_t n = bytes.size();
  if (n >= 8 && n <= 16) {
    uint64_t head;
    uint64_t tail;
    std::memcpy(&head, bytes.data(), 8);
    std::memcpy(&tail, bytes.data() + n - 8, 8);
    std::memcpy(out, &head, 8);
    std::memcpy(out + n - 8, &tail, 8);
  } else {
    std::memcpy(out, bytes.data(), n);
  }
  return out + n;
}

// The kept written form of text `id`, when it has one: empty until then.
std::string* KeptForm(std::vector<std::string>& kept, int32_t id) {
  if (id < 0 || id >= kKeptIds)
    return nullptr;
  if (static_cast<size_t>(id) >= kept.size())
    kept.resize(static_cast<size_t>(id) + 1);
  return &kept[static_cast<size_t>(id)];
}

}  // namespace

const std::string& TXMLTextStream::AttributeStart(const TDictionary& dictionary, int32_t name_id) {
  std::string* start = KeptForm(attribute_starts_, name_id);
  if (start == nullptr)
    start = &scratch_start_;
  else if (!start->empty())
    return *start;
  start->assign(1, ' ');
  AppendStoredAsUtf8(dictionary.StoredForm(name_id), *start);
  *start += "=\"";
  return *start;
}

// A UTF-8 file takes the dictionary's stored forms almost as they are, without the detour through
// UTF-16. Writes at `used` in bytes_, which grows as needed; returns the new end.
size_t TXMLTextStream::PutAttributeBytes(const TDictionary& dictionary, int32_t name_id,
                                         int32_t value_id, size_t used) {
  const std::string& start = AttributeStart(dictionary, name_id);
  std::string* kept_value = KeptForm(value_ends_, value_id);
  if (kept_value != nullptr && kept_value->empty()) {
    AppendEscapedAsUtf8(dictionary.StoredForm(value_id), *kept_value);
    *kept_value += '"';
  }
  const std::string_view value =
      kept_value == nullptr && value_id >= 0 ? dictionary.StoredForm(value_id) : "";
  const size_t room =
      kept_value != nullptr ? kept_value->size() : kMaxEscapedGrowth * value.size() + 1;
  if (bytes_.size() < used + start.size() + room)
    bytes_.resize(std::max(used + start.size() + room, 2 * bytes_.size()));
  char* out = Put(bytes_.data() + used, start);
  if (kept_value != nullptr) {
    out = Put(out, *kept_value);
  } else {
    out = WriteEscapedAsUtf8(value, out);
    *out++ = '"';
  }
  return static_cast<size_t>(out - bytes_.data());
}

void TXMLTextStream::EmitAttribute(const TDictionary& dictionary, int32_t name_id,
                                   int32_t value_id) {
  if (WritesUtf8Bytes()) {
    const size_t used = PutAttributeBytes(dictionary, name_id, value_id, 0);
    EmitEncoded(std::string_view(bytes_).substr(0, used));
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

void TXMLTextStream::EmitEmptyTagEnd() {
  Emit(layout_ == LayoutMode::Indented ? u" />" : u"/>");
}

void TXMLTextStream::EmitEmptyElement(const TDictionary& dictionary, int32_t name_id,
                                      std::span<const TAttributeIds> attributes) {
  if (!WritesUtf8Bytes()) {
    LineBreak(false);
    EmitStartTag(dictionary, name_id);
    for (const TAttributeIds& pair : attributes)
      EmitAttribute(dictionary, pair.NameId, pair.ValueId);
    EmitEmptyTagEnd();
    return;
  }
  // The line break, the indentation and the start tag's "<".
  const size_t width = IndentWidth();
  std::string head = BreaksLine(false) ? "\r\n" : "";
  head.append(width, ' ');
  head += '<';
  AppendStoredAsUtf8(dictionary.StoredForm(name_id), head);
  if (bytes_.size() < head.size())
    bytes_.resize(head.size());
  size_t used =
      static_cast<size_t>(std::copy(head.begin(), head.end(), bytes_.data()) - bytes_.data());
  for (const TAttributeIds& pair : attributes)
    used = PutAttributeBytes(dictionary, pair.NameId, pair.ValueId, used);
  const std::string_view end = layout_ == LayoutMode::Indented ? " />" : "/>";
  if (bytes_.size() < used + end.size())
    bytes_.resize(used + end.size());
  used =
      static_cast<size_t>(std::copy(end.begin(), end.end(), bytes_.data() + used) - bytes_.data());
  EmitEncoded(std::string_view(bytes_).substr(0, used));
}

bool TXMLTextStream::BreaksLine(bool force) const {
  return layout_ != LayoutMode::Compact && (force || depth_ > 0);
}

size_t TXMLTextStream::IndentWidth() const {
  if (layout_ == LayoutMode::Indented && depth_ > 0 && depth_ < kTopLevel)
    return 2 * static_cast<size_t>(depth_);
  return 0;
}

void TXMLTextStream::LineBreak(bool force) {
  if (BreaksLine(force))
    Emit(u"\r\n");
  const size_t width = IndentWidth();
  if (width > 0) {
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
