// The XML writer's hot paths: escaping attribute values, interning names and values, and writing
// a backup-sized document. Bytes per second count the input code units (escaping) or the written
// bytes (document).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "xml/dictionary.h"
#include "xml/escape_markup.h"
#include "xml/memory_byte_stream.h"
#include "xml/xml_document.h"

namespace velmorra {
namespace {

const std::u16string kPlainBody =
    u"See you at the station at 7, bring the tickets please! Tr\u00E8s bien, \u00E0 demain.";
const std::u16string kMarkupBody = u"<b>\"Tom\" & 'Jerry'</b>\n<i>a&b</i>\t<>&\"'\r\n";

std::u16string Decimal(int64_t number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

void BM_EscapeMarkup(benchmark::State& state, const std::u16string& text) {
  for (auto _ : state)
    benchmark::DoNotOptimize(EscapeMarkup(text));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size() * 2));
}
BENCHMARK_CAPTURE(BM_EscapeMarkup, PlainText, kPlainBody);
BENCHMARK_CAPTURE(BM_EscapeMarkup, FullOfMarkup, kMarkupBody);

// The eleven attribute names and the repeated values of one sms element, as the export interns
// them per message.
void BM_DictionaryRepeatedNames(benchmark::State& state) {
  const std::vector<std::u16string> texts = {
      u"sms",  u"protocol", u"0",   u"address", u"date",           u"type", u"1",      u"subject",
      u"null", u"body",     u"toa", u"sc_toa",  u"service_center", u"read", u"status", u"-1"};
  TDictionary dictionary;
  for (auto _ : state) {
    for (const auto& text : texts)
      benchmark::DoNotOptimize(dictionary.Intern(text));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_DictionaryRepeatedNames);

// Distinct values (dates, bodies) into a fresh dictionary, rebuilds of the index included.
void BM_DictionaryDistinctValues(benchmark::State& state) {
  std::vector<std::u16string> values;
  for (int64_t i = 0; i < state.range(0); ++i)
    values.push_back(Decimal(1262304000000 + i * 997));
  for (auto _ : state) {
    TDictionary dictionary;
    for (const auto& value : values)
      benchmark::DoNotOptimize(dictionary.Intern(value));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DictionaryDistinctValues)->Arg(10000);

IXMLDocumentPtr BackupDocument(int count) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(
      document->CreateProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"utf-8\""));
  const IXMLElementPtr smses = document->CreateElement(u"smses");
  document->AppendChild(smses);
  for (int i = 0; i < count; ++i) {
    const IXMLElementPtr sms = document->CreateElement(u"sms");
    smses->AppendChild(sms);
    sms->SetAttribute(u"protocol", u"0");
    sms->SetAttribute(u"address", u"+3585012345" + Decimal(i % 50));
    sms->SetAttribute(u"date", Decimal(1262304000000 + i * 60000));
    sms->SetAttribute(u"type", i % 3 == 0 ? u"2" : u"1");
    sms->SetAttribute(u"subject", u"null");
    sms->SetAttribute(u"body", (i % 4 == 0 ? kMarkupBody : kPlainBody) + Decimal(i));
    sms->SetAttribute(u"toa", u"null");
    sms->SetAttribute(u"sc_toa", u"null");
    sms->SetAttribute(u"service_center", u"null");
    sms->SetAttribute(u"read", u"1");
    sms->SetAttribute(u"status", u"-1");
  }
  smses->SetAttribute(u"count", Decimal(count));
  return document;
}

void BM_BuildBackupDocument(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(BackupDocument(static_cast<int>(state.range(0))));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildBackupDocument)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SaveBackupDocument(benchmark::State& state) {
  const IXMLDocumentPtr document = BackupDocument(static_cast<int>(state.range(0)));
  int64_t bytes = 0;
  for (auto _ : state) {
    TMemoryByteStream stream;
    document->SaveToByteStream(stream, LayoutMode::Indented);
    bytes = static_cast<int64_t>(stream.Bytes().size());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveBackupDocument)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmorra
