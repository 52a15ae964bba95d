// UTF-8 encoding of typical message text through the encoded text stream into memory, one
// fragment at a time as the XML writer hands them over. Bytes per second count the UTF-8 output.

#include <benchmark/benchmark.h>

#include <string>

#include "xml/memory_byte_stream.h"
#include "xml/orvik_text_stream.h"

namespace velmorra {
namespace {

const std::u16string kAscii = u"See you at the station at 7, bring the tickets please!";
const std::u16string kLatin = u"Très bien, à demain: déjà réservé pour vendredi, ça marche.";
const std::u16string kCyrillic = u"Привет! Встречаемся завтра в семь у вокзала, не опаздывай.";
const std::u16string kEmoji =
    u"Happy birthday \U0001F382\U0001F389 see you soon \U0001F600\U0001F44D";

int64_t Utf8Length(const std::u16string& text) {
  TMemoryByteStream memory;
  TOrvikTextStream(memory, kOrvikWrite, 0, kCodePageUtf8).WriteText(text);
  return static_cast<int64_t>(memory.Bytes().size());
}

// `repeat` copies of `text` as one fragment: 1 is a message body, 20 a long one (over the
// stream's own buffer, so converted through a block of its own).
void EncodeUtf8(benchmark::State& state, const std::u16string& text, int repeat) {
  std::u16string fragment;
  for (int i = 0; i < repeat; ++i)
    fragment += text;
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, 0, kCodePageUtf8);
  int64_t count = 0;
  for (auto _ : state) {
    // Start over now and then so that the memory stream stays small and warm.
    if (++count % 256 == 0)
      stream.Seek(0, TSeekOrigin::Beginning);
    benchmark::DoNotOptimize(stream.WriteText(fragment));
  }
  state.SetBytesProcessed(state.iterations() * Utf8Length(fragment));
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(EncodeUtf8, Ascii, kAscii, 1);
BENCHMARK_CAPTURE(EncodeUtf8, Latin, kLatin, 1);
BENCHMARK_CAPTURE(EncodeUtf8, Cyrillic, kCyrillic, 1);
BENCHMARK_CAPTURE(EncodeUtf8, Emoji, kEmoji, 1);
BENCHMARK_CAPTURE(EncodeUtf8, AsciiLong, kAscii, 20);
BENCHMARK_CAPTURE(EncodeUtf8, CyrillicLong, kCyrillic, 20);

}  // namespace
}  // namespace velmorra
