#include "export/sms_backup_export.h"

#include "db/lite3_db.h"
#include "export/backup_file_name.h"
#include "export/datastore_file.h"
#include "export/stored_text.h"
#include "export/timestamp.h"
#include "xml/xml_document.h"

namespace velmorra {

namespace {

// The library's answer to a step when the statement has no more rows.
constexpr int32_t kSqliteDone = 101;

// Prepares the query of the phone choice: every SMS for "All Phones" (index 0), otherwise the SMS
// of the phone whose IMEI is `PhoneText` (FormatSql quotes it).
void PrepareMessages(TLite3ResultSet& messages, int PhoneIndex, const std::string& PhoneText) {
  if (PhoneIndex == 0) {
    messages.PrepareFmt("SELECT * FROM MessageEx WHERE type = %s", {"SMS"});
  } else {
    messages.PrepareFmt("SELECT * FROM MessageEx WHERE type = %s AND IMEI = %s",
                        {"SMS", PhoneText});
  }
}

std::u16string DecimalText(int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// Appends one sms element for `row` to `smses`. Columns are looked up by name for each attribute;
// a missing column or a NULL reads as the empty text.
void AppendMessage(IXMLDocument& document, IXMLElement& smses, TResultRow& row) {
  const IXMLElementPtr sms = document.CreateElement(u"sms");
  smses.AppendChild(sms);
  sms->SetAttribute(u"protocol", u"0");
  sms->SetAttribute(u"address", DecodeStoredText(row.CellByName("Sender").AsString));
  sms->SetAttribute(
      u"date",
      DecimalText(TimestampToUnixMillis(row.CellByName("SentReceivedTimestamp").AsString)));
  sms->SetAttribute(u"type", IsSentStatus(row.CellByName("Status").AsInteger()) ? u"2" : u"1");
  sms->SetAttribute(u"subject", u"null");
  sms->SetAttribute(u"body", DecodeStoredText(row.CellByName("Text").AsString));
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
  TResultRow* row = nullptr;
  while (messages.Next(&row)) {
    AppendMessage(*document, *smses, *row);
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
    Messages.ShowMessage(TMessageBoxKind::Error,
                         "Error reading datastore. Error was: " + messages.ErrorMessage + ".");
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
