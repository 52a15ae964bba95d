#include "export/work_progress.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "db/lite3_db.h"
#include "export/phone_list.h"
#include "export/sms_backup_export.h"
#include "export_test_doubles.h"
#include "support/message_datastore.h"
#include "support/sqlite_fixture.h"
#include "support/temp_directory.h"
#include "xml/memory_byte_stream.h"
#include "xml/xml_document.h"

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FileNamesIn;
using testing::TRecordingMessageBoxes;
using testing::TTempDirectory;

class WorkProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    datastore_ = input_.File("MDataStore.db3");
    messages_count_ = testing::WriteGeneratedDatastore(datastore_, {.Count = 1500});
    testing::WriteFileBytes(output_.File("sms_All Phones.xml"), "an earlier backup");
  }

  TTempDirectory input_;
  TTempDirectory output_;
  std::string datastore_;
  int64_t messages_count_ = 0;
  TRecordingMessageBoxes messages_;
};

TEST_F(WorkProgressTest, ExportHearsTheCountFirstThenTheRowsOfEachBatch) {
  TWorkProgress progress;
  std::vector<int64_t> heard;
  progress.Total = [&](int64_t rows) { heard.push_back(-rows); };
  progress.Done = [&](int64_t rows) { heard.push_back(rows); };
  const TExportResult result =
      ExportSmsBackup(datastore_, 0, "All Phones", messages_, output_.Path(), &progress);

  ASSERT_TRUE(result.Written);
  EXPECT_EQ(result.MessageCount, messages_count_);
  ASSERT_GE(heard.size(), 3u) << "a count and more than one batch";
  EXPECT_EQ(heard.front(), -messages_count_);
  for (size_t i = 2; i < heard.size(); ++i)
    EXPECT_GT(heard[i], heard[i - 1]);
  EXPECT_EQ(heard.back(), messages_count_);
}

// Whenever the cancel comes, the run says nothing, writes nothing and the earlier backup stays.
TEST_F(WorkProgressTest, CancelledExportShowsNothingAndLeavesTheEarlierBackup) {
  struct TCase {
    const char* Name;
    std::function<void(TWorkProgress&)> Arrange;
  };
  const std::vector<TCase> cases = {
      {"before the run", [](TWorkProgress& progress) { progress.Cancel(); }},
      {"once counted",
       [](TWorkProgress& progress) {
         progress.Total = [&progress](int64_t) { progress.Cancel(); };
       }},
      {"after the first batch",
       [](TWorkProgress& progress) {
         progress.Done = [&progress](int64_t) { progress.Cancel(); };
       }},
      {"after the last batch",
       [this](TWorkProgress& progress) {
         progress.Done = [this, &progress](int64_t rows) {
           if (rows == messages_count_)
             progress.Cancel();
         };
       }},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    TWorkProgress progress;
    test.Arrange(progress);
    const std::function<void(int64_t)> done = progress.Done;
    int heard_after_cancel = 0;
    progress.Done = [&](int64_t rows) {
      heard_after_cancel += progress.Cancelled() ? 1 : 0;
      if (done)
        done(rows);
    };
    const TExportResult result =
        ExportSmsBackup(datastore_, 0, "All Phones", messages_, output_.Path(), &progress);
    EXPECT_FALSE(result.Written);
    EXPECT_EQ(heard_after_cancel, 0) << "the run stops at the batch of the cancel";
    EXPECT_THAT(messages_.Texts(), IsEmpty());
    EXPECT_THAT(FileNamesIn(output_.Path()), ElementsAre("sms_All Phones.xml"));
    EXPECT_EQ(testing::ReadFileBytes(output_.File("sms_All Phones.xml")), "an earlier backup");
  }
}

TEST_F(WorkProgressTest, SavingThatIsCancelledStopsWritingAndPutsNoFileInPlace) {
  TMemoryByteStream bytes;
  TWorkProgress writing;
  TCancellableStream stream(bytes, writing);
  EXPECT_EQ(stream.Write("abc", 3), 3);
  writing.Cancel();
  EXPECT_EQ(stream.Write("def", 3), 0) << "a short write stops the document's writer";
  EXPECT_EQ(bytes.Bytes(), "abc");

  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(document->CreateElement(u"smses"));
  const std::string path = output_.File("sms_All Phones.xml");
  TWorkProgress progress;
  progress.Cancel();
  EXPECT_FALSE(SaveUnlessCancelled(*document, path, &progress));
  EXPECT_THAT(FileNamesIn(output_.Path()), ElementsAre("sms_All Phones.xml"));
  EXPECT_EQ(testing::ReadFileBytes(path), "an earlier backup");

  TWorkProgress going_on;
  EXPECT_TRUE(SaveUnlessCancelled(*document, path, &going_on));
  EXPECT_EQ(testing::ReadFileBytes(path), "<smses />");
}

TEST_F(WorkProgressTest, CancelledPhoneListReadLeavesTheListAndSaysNothing) {
  testing::TFakePhoneList list({"All Phones", "111"}, 1);
  TWorkProgress progress;
  progress.Cancel();
  EXPECT_FALSE(RefreshPhoneList(datastore_, list, messages_, &progress).Replaced);
  EXPECT_THAT(list.Items, ElementsAre("All Phones", "111"));
  EXPECT_EQ(list.Index, 1);
  EXPECT_THAT(messages_.Texts(), IsEmpty());
}

// A cancel from another thread ends a query under way, or a wait for another program's lock, at
// once rather than when the query ends or the wait runs out.
TEST_F(WorkProgressTest, CancelInterruptsAQueryOrAWaitForALockAtOnce) {
  struct TCase {
    const char* Name;
    bool Locked;  // another connection holds an exclusive lock
    std::string Sql;
  };
  const std::vector<TCase> cases = {
      {"a long query", false,
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n LIMIT 100000000) "
       "SELECT COUNT(*) FROM n"},
      {"a wait for a lock", true, "SELECT COUNT(*) FROM MessageEx"},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    TLite3Db db;
    db.LibraryPath = testing::ProductSqliteLibraryPath();
    ASSERT_TRUE(db.Open(test.Locked ? datastore_ : "")) << db.ErrorMessage;
    sqlite3* locker = nullptr;
    if (test.Locked) {
      ASSERT_EQ(sqlite3_open(datastore_.c_str(), &locker), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    TWorkProgress progress;
    const auto start = std::chrono::steady_clock::now();
    std::thread canceller([&progress] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      progress.Cancel();
    });
    bool read = true;
    {
      const TInterruptOnCancel interruptible(&progress, db);
      read = db.NewResultSet()->Query(test.Sql);
    }
    canceller.join();
    EXPECT_FALSE(read);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    if (locker != nullptr)
      sqlite3_close(locker);
  }
}

}  // namespace
}  // namespace velmorra
