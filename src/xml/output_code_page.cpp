#include "xml/output_code_page.h"

#include <memory>
#include <string>

#include "platform/text_encoding.h"
#include "xml/charset_table.h"
#include "xml/orvik_text_stream.h"

namespace velmorra {

std::optional<uint16_t> DeclaredCodePage(const IXMLProcessingInstruction& pi) {
  if (!EqualIgnoringAsciiCase(Utf16ToAnsi(pi.Target()), "xml"))
    return std::nullopt;
  const std::u16string data = pi.Data();
  static constexpr std::u16string_view kEncoding = u"encoding=";
  const size_t found = data.find(kEncoding);
  if (found == std::u16string::npos)
    return std::nullopt;
  const size_t quote_at = found + kEncoding.size();
  if (quote_at >= data.size())
    return std::nullopt;
  const char16_t quote = data[quote_at];
  if (quote != u'"' && quote != u'\'')
    return std::nullopt;
  const size_t closing = data.find(quote, quote_at + 1);
  // An unclosed quote names the empty charset, which no row matches.
  const std::u16string name = closing == std::u16string::npos
                                  ? std::u16string()
                                  : data.substr(quote_at + 1, closing - quote_at - 1);
  return CodePageOfCharset(Utf16ToAnsi(name));
}

uint16_t ChooseOutputCodePage(IXMLNode& document) {
  if (!document.HasChildNodes())
    return kCodePageUtf8;
  const IXMLNodeListPtr children = document.ChildNodes();
  IXMLProcessingInstructionPtr candidate;
  for (int32_t i = 0; i < children->Length(); ++i) {
    const IXMLNodePtr child = children->Item(i);
    if (child->NodeType() == kProcessingInstructionNode) {
      candidate = XMLCast<IXMLProcessingInstruction>(child);
    }
  }
  if (!candidate)
    return kCodePageUtf8;
  return DeclaredCodePage(*candidate).value_or(kCodePageUtf8);
}

}  // namespace velmorra
