#include "export/sms_backup_export.h"

#include <charconv>

#include "db/lite3_db.h"
#include "export/backup_file_name.h"
#include "export/datastore_file.h"
#include "export/phone_list.h"
#include "export/stored_text.h"
#include "export/timestamp.h"
#include "xml/xml_document.h"

namespace velmorra {

namespace {

// The library's answer to a step when the statement has no more rows.
constexpr int32_t kSqliteDone = 101;

// Prepares the query of the phone choice: every SMS for "All Phones" (index 0), otherwise the SMS
// of the phone whose IMEI, as the phone list shows it, is `PhoneText` (FormatSql quotes it).
void PrepareMessages(TLite3ResultSet& messages, int PhoneIndex, const std::string& PhoneText) {
  if (PhoneIndex == 0) {
    messages.PrepareFmt("SELECT * FROM MessageEx WHERE type = %s", {"SMS"});
  } else {
    messages.PrepareFmt(
        std::string("SELECT * FROM MessageEx WHERE type = %s AND ") + kImeiTextSql + " = %s",
        {"SMS", PhoneText});
  }
}

std::u16string DecimalText(int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// Where the used columns are in the rows of the message query (-1 for a column the query lacks,
// which reads as NULL), found once per query as CellByName would find them.
struct TMessageColumns {
  explicit TMessageColumns(const TResultRow& row)
      : Sender(row.ColumnIndex("Sender")),
        SentReceivedTimestamp(row.ColumnIndex("SentReceivedTimestamp")),
        Status(row.ColumnIndex("Status")),
        Text(row.ColumnIndex("Text")) {}

  int Sender;
  int SentReceivedTimestamp;
  int Status;
  int Text;
};

// Texts reused from one message to the next.
struct TMessageTexts {
  std::u16string address;
  std::u16string date;
  std::u16string body;
};

void SetDecimalText(int64_t value, std::u16string& text) {
  char digits[24];
  const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text.assign(static_cast<const char*>(digits), end);
}

// Appends one sms element for `row` to `smses`; a missing column or a NULL reads as the empty
// text.
void AppendMessage(IXMLDocument& document, IXMLElement& smses, TResultRow& row,
                   const TMessageColumns& columns, TMessageTexts& texts) {
  const IXMLElementPtr sms = document.CreateElement(u"sms");
  smses.AppendChild(sms);
  sms->SetAttribute(u"protocol", u"0");
  DecodeStoredText(row.Cells(columns.Sender).AsString, texts.address);
  sms->SetAttribute(u"address", texts.address);
  SetDecimalText(TimestampToUnixMillis(row.Cells(columns.SentReceivedTimestamp).AsString),
                 texts.date);
  sms->SetAttribute(u"date", texts.date);
  sms->SetAttribute(u"type", IsSentStatus(row.Cells(columns.Status).AsInteger()) ? u"2" : u"1");
  sms->SetAttribute(u"subject", u"null");
  DecodeStoredText(row.Cells(columns.Text).AsString, texts.body);
  sms->SetAttribute(u"body", texts.body);
  sms->SetAttribute(u"toa", u"null");
  sms->SetAttribute(u"sc_toa", u"null");
  sms->SetAttribute(u"service_center", u"null");
  sms->SetAttribute(u"read", u"1");
  sms->SetAttribute(u"status", u"-1");
}

// Builds the backup document from the rows of the prepared statement, one row at a time. Returns
// nullptr when a step fails; the result set then holds the library's error.
IXMLDocumentPtr BuildBackupDocument(TLite3ResultSet& messages, int& count) {
  const IXMLDocumentPtr document = MakeXMLDocument();
  document->AppendChild(
      document->CreateProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"utf-8\""));
  const IXMLElementPtr smses = document->CreateElement(u"smses");
  document->AppendChild(smses);
  count = 0;
  const TMessageColumns columns(messages.EmptyRow);
  TMessageTexts texts;
  TResultRow* row = nullptr;
  while (messages.Next(&row)) {
    AppendMessage(*document, *smses, *row, columns, texts);
    ++count;
  }
  if (messages.ErrorCode != kSqliteDone)
    return nullptr;
  smses->SetAttribute(u"count", DecimalText(count));
  return document;
}

}  // namespace

TExportResult ExportSmsBackup(const std::string& DatastoreFile, int PhoneIndex,
                              const std::string& PhoneText, IMessageBoxes& Messages,
                              const std::string& OutputDirectory) {
  const std::optional<std::string> path = ExistingDatastorePath(DatastoreFile);
  if (!path) {
    Messages.ShowMessage(TMessageBoxKind::Error, kDatastoreMissingMessage);
    return {};
  }

  TLite3Db db;
  db.LibraryPath = ProgramDirectory() + kSqliteLibraryFileName;
  db.Open(*path);
  if (db.ErrorCode != 0) {
    Messages.ShowMessage(TMessageBoxKind::Error, DatastoreOpenErrorMessage(db.ErrorMessage));
    return {};
  }

  // A backup that silently lacks messages would be trusted and the phone's messages lost: a query
  // that fails (no MessageEx, not a database, still locked) ends the run without a file.
  TLite3ResultSet& messages = *db.NewResultSet();
  PrepareMessages(messages, PhoneIndex, PhoneText);
  TExportResult result;
  const IXMLDocumentPtr document =
      messages.ErrorCode == 0 ? BuildBackupDocument(messages, result.MessageCount) : nullptr;
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

  result.FileName = OutputDirectory + BackupFileName(PhoneText);
  document->SaveToFile(result.FileName, LayoutMode::Indented);
  result.Written = true;
  return result;
}

bool IsSentStatus(int32_t Status) {
  return (Status & 1) == 1;
}

}  // namespace velmorra
