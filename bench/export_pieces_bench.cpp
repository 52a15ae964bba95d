// The export's two threads, piece by piece: decoding the rows of a generated datastore (stepping
// the statement and turning each row into the texts its element needs), and writing the children
// of the smses element in chunks on two threads against writing them one after the other. Items
// per second count messages.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "db/lite3_db.h"
#include "export/message_rows.h"
#include "export/stored_text.h"
#include "platform/dynamic_library.h"
#include "support/message_datastore.h"
#include "xml/child_chunk_writer.h"
#include "xml/memory_byte_stream.h"
#include "xml/orvik_text_stream.h"
#include "xml/xml_document.h"
#include "xml/xml_text_stream.h"

namespace velmorra {
namespace {

constexpr int kRows = 50000;

// A generated datastore of kRows rows, written once per process.
const std::string& GeneratedDatastore() {
  static const std::string path = [] {
    const std::string file =
        (std::filesystem::temp_directory_path() / "velmorra-bench-rows.db3").string();
    testing::TGeneratedMessages shape;
    shape.Count = kRows;
    testing::WriteGeneratedDatastore(file, shape);
    return file;
  }();
  return path;
}

void BM_DecodeMessageRows(benchmark::State& state) {
  const std::string& path = GeneratedDatastore();
  int64_t messages = 0;
  for (auto _ : state) {
    TLite3Db db;
    db.LibraryPath = SqliteLibraryPath();
    db.Open(path);
    TLite3ResultSet& rows = *db.NewResultSet();
    rows.Prepare("SELECT * FROM MessageEx WHERE type = 'SMS'");
    TMessageRowReader reader(rows);
    TMessageBatch batch;
    bool more = true;
    while (more) {
      more = reader.ReadBatch(batch, 512, 256 * 1024);
      FinishRows(batch);
      messages += static_cast<int64_t>(batch.Rows.size());
      benchmark::DoNotOptimize(batch.Bytes.data());
    }
  }
  state.SetItemsProcessed(messages);
}
BENCHMARK(BM_DecodeMessageRows)->Unit(benchmark::kMillisecond);

void BM_AppendStoredForm(benchmark::State& state, const std::string& body) {
  std::string stored;
  for (auto _ : state) {
    stored.clear();
    AppendStoredForm(body, stored);
    benchmark::DoNotOptimize(stored.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}
BENCHMARK_CAPTURE(BM_AppendStoredForm, Ascii,
                  std::string("see you at the station tomorrow at noon, bring the cake"));
BENCHMARK_CAPTURE(BM_AppendStoredForm, Mixed,
                  std::string("caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xD0\xBF\xD1\x80\xD0\xB8 "
                              "\xE6\x98\x8E\xE6\x97\xA5 \xF0\x9F\x98\x8A ok"));

// A backup document of `count` messages with bodies of mixed text and markup.
IXMLDocumentPtr BackupDocument(int count, IXMLElementPtr& smses) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  smses = document->CreateElement(u"smses");
  document->AppendChild(smses);
  for (int i = 0; i < count; ++i) {
    const std::string digits = std::to_string(1262304000000 + i * 60000LL);
    const IXMLElementPtr sms = document->CreateElement(u"sms");
    smses->AppendChild(sms);
    sms->SetAttribute(u"protocol", u"0");
    sms->SetAttribute(u"address", u"+447700900123");
    sms->SetAttribute(u"date", std::u16string(digits.begin(), digits.end()));
    sms->SetAttribute(u"type", u"1");
    sms->SetAttribute(u"subject", u"null");
    sms->SetAttribute(u"body",
                      u"See you at the station, \"Tom\" & Jerry! Tr\u00E8s bien \U0001F60A " +
                          std::u16string(digits.begin(), digits.end()));
    sms->SetAttribute(u"toa", u"null");
    sms->SetAttribute(u"sc_toa", u"null");
    sms->SetAttribute(u"service_center", u"null");
    sms->SetAttribute(u"read", u"1");
    sms->SetAttribute(u"status", u"-1");
  }
  return document;
}

// Argument 0: one thread, the children one after the other; otherwise chunks of that many.
void BM_WriteMessageElements(benchmark::State& state) {
  constexpr int kMessages = 100000;
  IXMLElementPtr smses;
  const IXMLDocumentPtr document = BackupDocument(kMessages, smses);
  const TXMLNodeList& children = *dynamic_cast<TXMLNode&>(*smses).ChildList();
  for (auto _ : state) {
    TMemoryByteStream memory;
    TXMLTextStream writer(memory, kCodePageUtf8, LayoutMode::Indented);
    writer.EnterLevel();
    if (state.range(0) == 0) {
      for (int32_t i = 0; i < children.Length(); ++i)
        children.WriteItem(i, writer);
    } else {
      WriteChildrenInChunks(children, writer, static_cast<int32_t>(state.range(0)));
    }
    benchmark::DoNotOptimize(memory.Bytes().data());
  }
  state.SetItemsProcessed(state.iterations() * kMessages);
}
BENCHMARK(BM_WriteMessageElements)
    ->Arg(0)
    ->Arg(512)
    ->Arg(kChildrenPerChunk)
    ->Arg(8192)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace velmorra
