#include "export/sms_backup_export.h"

#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "db/lite3_db.h"
#include "export/backup_file_name.h"
#include "export/batch_queue.h"
#include "export/datastore_file.h"
#include "export/message_rows.h"
#include "export/phone_list.h"
#include "export/phone_queries.h"
#include "xml/dictionary.h"
#include "xml/file_errors.h"
#include "xml/xml_document.h"

namespace velmorra {

namespace {

// The library's answer to a step when the statement has no more rows.
constexpr int32_t kSqliteDone = 101;

// The rows of the phone choice, as the FROM and WHERE of a query: every SMS for "All Phones"
// (index 0), otherwise the SMS of the phone whose IMEI, as the phone list shows it, is `PhoneText`
// (PhoneCondition, which reads the schema through `query`).
std::string MessageRowsSql(TLite3ResultSet& query, int PhoneIndex, const std::string& PhoneText) {
  std::string rows = " FROM MessageEx WHERE type = 'SMS'";
  if (PhoneIndex != 0)
    rows += " AND " + PhoneCondition(query, PhoneText);
  return rows;
}

// Prepares the query of `rows` on `messages`, selecting only the columns the export reads.
void PrepareMessages(TLite3ResultSet& messages, const std::string& rows) {
  if (messages.Prepare("SELECT *" + rows))
    messages.Prepare("SELECT " + MessageColumnsSql(messages.Columns) + rows);
}

// Tells `Progress` how many messages `rows` holds, when it asks.
void CountMessages(TLite3Db& db, const std::string& rows, TWorkProgress* Progress) {
  if (Progress == nullptr || !Progress->Total || Progress->Cancelled())
    return;
  TLite3ResultSet& count = *db.NewResultSet();
  if (count.Prepare("SELECT COUNT(*)" + rows) && count.Step())
    Progress->Total(count.ColumnInteger(0));
  delete &count;
}

std::u16string DecimalText(int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// Rows travel from the reading thread to the building one in batches of this size; this many
// batches circulate, which bounds the memory between the two.
constexpr size_t kBatchRows = 512;
constexpr size_t kBatchBytes = 256 * 1024;
constexpr size_t kBatchCount = 8;
// How many rows ahead the builder asks for the dictionary's memory.
constexpr size_t kPrefetchRows = 4;

// Makes the sms elements of decoded rows. The names and constant values are interned once.
class TMessageElementBuilder {
 public:
  TMessageElementBuilder(IXMLDocument& document, IXMLElement& smses)
      : smses_(smses),
        dictionary_(document.Dictionary()),
        sms_(dictionary_.Intern(u"sms")),
        protocol_(dictionary_.Intern(u"protocol")),
        address_(dictionary_.Intern(u"address")),
        date_(dictionary_.Intern(u"date")),
        type_(dictionary_.Intern(u"type")),
        subject_(dictionary_.Intern(u"subject")),
        body_(dictionary_.Intern(u"body")),
        toa_(dictionary_.Intern(u"toa")),
        sc_toa_(dictionary_.Intern(u"sc_toa")),
        service_center_(dictionary_.Intern(u"service_center")),
        read_(dictionary_.Intern(u"read")),
        status_(dictionary_.Intern(u"status")),
        zero_(dictionary_.Intern(u"0")),
        one_(dictionary_.Intern(u"1")),
        two_(dictionary_.Intern(u"2")),
        null_(dictionary_.Intern(u"null")),
        minus_one_(dictionary_.Intern(u"-1")) {}

  // Appends one sms element per row of `batch`, in order, finishing the rows first.
  void Append(TMessageBatch& batch) {
    FinishRows(batch);
    const std::vector<TMessageRow>& rows = batch.Rows;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i + kPrefetchRows < rows.size()) {
        const TMessageRow& ahead = rows[i + kPrefetchRows];
        dictionary_.Prefetch(ahead.Address.Hash);
        dictionary_.Prefetch(ahead.Date.Hash);
        dictionary_.Prefetch(ahead.Body.Hash);
      }
      AppendMessage(batch, rows[i]);
    }
  }

 private:
  int32_t Intern(const TMessageBatch& batch, const TStoredTextRef& text) {
    return dictionary_.InternStored(batch.Text(text), text.Hash);
  }

  void AppendMessage(const TMessageBatch& batch, const TMessageRow& row) {
    const TAttributeIds attributes[] = {
        {protocol_, zero_},
        {address_, Intern(batch, row.Address)},
        {date_, Intern(batch, row.Date)},
        {type_, row.Sent ? two_ : one_},
        {subject_, null_},
        {body_, Intern(batch, row.Body)},
        {toa_, null_},
        {sc_toa_, null_},
        {service_center_, null_},
        {read_, one_},
        {status_, minus_one_},
    };
    smses_.AppendElementIds(sms_, attributes);
  }

  IXMLElement& smses_;
  TDictionary& dictionary_;
  const int32_t sms_, protocol_, address_, date_, type_, subject_, body_, toa_, sc_toa_,
      service_center_, read_, status_;
  const int32_t zero_, one_, two_, null_, minus_one_;
};

// The thread that steps the statement and decodes the rows, handing full batches to the builder
// and taking emptied ones back. It is joined when the object goes; a failure other than the
// library's (which stays in the result set) is raised again by Finish.
class TMessageReadingThread {
 public:
  explicit TMessageReadingThread(TLite3ResultSet& messages) : reader_(messages) {
    for (size_t i = 0; i < kBatchCount; ++i)
      empty_.Push(std::make_unique<TMessageBatch>());
    thread_ = std::thread([this] { Run(); });
  }
  ~TMessageReadingThread() {
    if (thread_.joinable()) {
      empty_.Abandon();
      thread_.join();
    }
  }
  TMessageReadingThread(const TMessageReadingThread&) = delete;
  TMessageReadingThread& operator=(const TMessageReadingThread&) = delete;

  // The next batch of rows; nothing after the last.
  std::optional<std::unique_ptr<TMessageBatch>> Next() { return full_.Pop(); }
  // Gives a batch whose rows are built back for reuse.
  void Return(std::unique_ptr<TMessageBatch> batch) { empty_.Push(std::move(batch)); }
  // Waits for the thread to end and raises what ended it, if anything did.
  void Finish() {
    thread_.join();
    if (error_)
      std::rethrow_exception(error_);
  }

 private:
  void Run() {
    try {
      bool more = true;
      while (more) {
        std::optional<std::unique_ptr<TMessageBatch>> batch = empty_.Pop();
        if (!batch)
          break;
        more = reader_.ReadBatch(**batch, kBatchRows, kBatchBytes);
        full_.Push(std::move(*batch));
      }
    } catch (...) {
      error_ = std::current_exception();
    }
    full_.Close();
  }

  TMessageRowReader reader_;
  TBatchQueue<std::unique_ptr<TMessageBatch>> empty_;
  TBatchQueue<std::unique_ptr<TMessageBatch>> full_;
  std::exception_ptr error_;
  std::thread thread_;
};

// Builds the backup document from the rows of the prepared statement: one thread reads and decodes
// the rows while this one makes their elements. Returns nullptr when a step fails; the result set
// then holds the library's error. `Progress` hears of each batch and may stop the building, which
// then returns nullptr too.
IXMLDocumentPtr BuildBackupDocument(TLite3ResultSet& messages, int& count,
                                    TWorkProgress* Progress) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(
      document->CreateProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"utf-8\""));
  const IXMLElementPtr smses = document->CreateElement(u"smses");
  document->AppendChild(smses);
  TMessageElementBuilder builder(*document, *smses);
  count = 0;
  TMessageReadingThread reading(messages);
  while (std::optional<std::unique_ptr<TMessageBatch>> batch = reading.Next()) {
    builder.Append(**batch);
    count += static_cast<int>((*batch)->Rows.size());
    reading.Return(std::move(*batch));
    if (Progress != nullptr && Progress->Done)
      Progress->Done(count);
    if (IsCancelled(Progress))
      return nullptr;  // the reading thread is abandoned as it goes
  }
  reading.Finish();
  if (messages.ErrorCode != kSqliteDone)
    return nullptr;
  smses->SetAttribute(u"count", DecimalText(count));
  return document;
}

}  // namespace

TExportResult ExportSmsBackup(const std::string& DatastoreFile, int PhoneIndex,
                              const std::string& PhoneText, IMessageBoxes& Messages,
                              const std::string& OutputDirectory, TWorkProgress* Progress) {
  const std::optional<std::string> path = ExistingDatastorePath(DatastoreFile, Messages);
  if (!path)
    return {};

  TExportResult result;
  result.FileName = OutputDirectory + BackupFileName(PhoneIndex, PhoneText);
  if (IsDatastoreOrItsLog(*path, result.FileName)) {
    throw EFileCreateError("Cannot create file \"" + result.FileName +
                           "\". It is the datastore itself or one of its logs, which are only "
                           "ever read; choose another folder for the backup.");
  }

  TLite3Db db;
  if (!OpenDatastore(db, *path, Messages))
    return {};

  const TInterruptOnCancel interruptible(Progress, db);
  TLite3ResultSet& messages = *db.NewResultSet();
  const std::string rows = MessageRowsSql(messages, PhoneIndex, PhoneText);
  CountMessages(db, rows, Progress);
  if (IsCancelled(Progress))
    return {};

  // A backup that silently lacks messages would be trusted and the phone's messages lost: a query
  // that fails (no MessageEx, not a database, still locked) ends the run without a file.
  PrepareMessages(messages, rows);
  const IXMLDocumentPtr document =
      messages.ErrorCode == 0 ? BuildBackupDocument(messages, result.MessageCount, Progress)
                              : nullptr;
  if (IsCancelled(Progress))
    return {};
  if (!document) {
    Messages.ShowMessage(TMessageBoxKind::Error, DatastoreReadErrorMessage(messages.ErrorMessage));
    return {};
  }

  // An empty backup of one phone looks made and holds nothing: a phone without messages (one no
  // longer in the datastore, or a name mistyped) is said instead, and no earlier file is replaced.
  if (PhoneIndex != 0 && result.MessageCount == 0) {
    Messages.ShowMessage(TMessageBoxKind::Error,
                         "The datastore holds no text message of the phone \"" + PhoneText + "\".");
    return {};
  }

  if (!SaveUnlessCancelled(*document, result.FileName, Progress))
    return {};
  result.Written = true;
  return result;
}

bool IsSentStatus(int32_t Status) {
  return (Status & 1) == 1;
}

}  // namespace velmorra
