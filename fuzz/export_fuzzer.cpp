// The whole export on small datastores made from the input: rows of any values in any storage
// class, built with SQLite in memory and saved to a file. The backup parses, its count is its
// number of elements, and every SMS row of the phone chosen appears once, in order, with the
// values the README promises; the phone list offers exactly the phones that have SMS rows.
#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "db/min_db.h"
#include "export/export_test_doubles.h"
#include "export/phone_list.h"
#include "export/phone_match.h"
#include "export/sms_backup_export.h"
#include "export/timestamp.h"
#include "fuzz_check.h"
#include "platform/text_encoding.h"
#include "support/temp_directory.h"
#include "xml_text_model.h"
#ifdef VELMORRA_FUZZ_EXPAT
#include "export/backup_file_reader.h"
#endif

namespace velmorra::fuzzing {
namespace {

// The columns the export reads, in table order; type and IMEI are always there.
const char* const kColumns[] = {"type",   "IMEI", "Sender", "SentReceivedTimestamp",
                                "Status", "Text"};
constexpr int kColumnCount = 6;
const char* const kDeclaredTypes[] = {"", " TEXT", " INTEGER", " REAL", " NUMERIC", " BLOB"};

// A column name as the input spells it: the export finds columns whatever their letter case.
std::string Spelled(TFuzzInput& input, const char* name) {
  std::string spelled = name;
  const uint8_t choice = input.Byte() % 4;
  for (char& c : spelled) {
    if (choice == 1 && c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (choice == 2 && c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return spelled;
}

// A value bound to a statement: its storage class and bytes as the input says.
void BindValue(TFuzzInput& input, sqlite3_stmt* statement, int index, int column) {
  static const char* const kTexts[] = {"SMS", "MMS", "sms", "40179,5", "40179.5", "1", "3", ""};
  static const char* const kImeis[] = {"356938035643809", "352099001761481", "", "35'1"};
  const uint8_t kind = input.Byte();
  if (column == 0 && kind % 4 != 3) {
    sqlite3_bind_text(statement, index, "SMS", 3, SQLITE_TRANSIENT);
    return;
  }
  if (column == 1 && kind % 4 != 3) {
    const char* imei = kImeis[kind / 4 % 4];
    sqlite3_bind_text(statement, index, imei, -1, SQLITE_TRANSIENT);
    return;
  }
  switch (kind % 7) {
    case 0:
      sqlite3_bind_null(statement, index);
      break;
    case 1: {
      // Small numbers, the edges of 32 and 64 bits, or any bits.
      static const int64_t kEdges[] = {INT32_MAX,
                                       int64_t{INT32_MAX} + 1,
                                       INT32_MIN,
                                       int64_t{INT32_MIN} - 1,
                                       (int64_t{1} << 32) + 1,
                                       INT64_MAX,
                                       INT64_MIN,
                                       25569};
      const uint8_t choice = input.Byte();
      const int64_t value = choice % 3 == 0   ? int64_t{input.Byte()} - 8
                            : choice % 3 == 1 ? kEdges[choice / 3 % 8]
                                              : static_cast<int64_t>(input.Word64());
      sqlite3_bind_int64(statement, index, value);
      break;
    }
    case 2: {
      // Near-whole day counts around 2010, where halves of a second lie, or any bits.
      double value;
      if (input.Bool()) {
        value = 40179 + input.Number(86400 * 4) / 4.0 / 86400 + (int(input.Byte()) - 128) * 1e-9;
      } else {
        const uint64_t bits = input.Word64();
        std::memcpy(&value, &bits, sizeof value);
      }
      sqlite3_bind_double(statement, index, value);
      break;
    }
    case 3:
    case 4: {
      const std::string bytes = input.Bytes(40);
      sqlite3_bind_text(statement, index, bytes.data(), static_cast<int>(bytes.size()),
                        SQLITE_TRANSIENT);
      break;
    }
    case 5: {
      const std::string bytes = input.Bytes(40);
      sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()),
                        SQLITE_TRANSIENT);
      break;
    }
    default:
      sqlite3_bind_text(statement, index, kTexts[input.Byte() % 8], -1, SQLITE_TRANSIENT);
  }
}

// Makes MessageEx in the in-memory `db` from the input; `present` tells which columns it has.
void BuildDatastore(TFuzzInput& input, sqlite3* db, bool (&present)[kColumnCount]) {
  // Texts kept as UTF-16 come back through the library's conversion.
  static const char* const kEncodings[] = {"UTF-8", "UTF-8", "UTF-16le", "UTF-16be"};
  sqlite3_exec(db,
               (std::string("PRAGMA encoding = '") + kEncodings[input.Byte() % 4] + "'").c_str(),
               nullptr, nullptr, nullptr);
  std::string create = "CREATE TABLE MessageEx (Id INTEGER PRIMARY KEY";
  std::string insert = "INSERT INTO MessageEx VALUES (NULL";
  for (int column = 0; column < kColumnCount; ++column) {
    present[column] = column < 2 || input.Byte() % 8 != 0;
    if (!present[column])
      continue;
    create += ", " + Spelled(input, kColumns[column]) + kDeclaredTypes[input.Byte() % 6];
    insert += ", ?";
  }
  sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &statement, nullptr);
  const uint32_t rows = input.Number(40);
  for (uint32_t row = 0; row < rows && !input.Empty(); ++row) {
    int index = 1;
    for (int column = 0; column < kColumnCount; ++column) {
      if (present[column])
        BindValue(input, statement, index++, column);
    }
    sqlite3_step(statement);
    sqlite3_reset(statement);
  }
  sqlite3_finalize(statement);
}

// A value as the export reads it: a BLOB's bytes, the library's text of anything else, NULL as
// the empty text.
std::string ValueBytes(sqlite3_stmt* statement, int column) {
  const void* bytes = sqlite3_column_type(statement, column) == SQLITE_BLOB
                          ? sqlite3_column_blob(statement, column)
                          : sqlite3_column_text(statement, column);
  const int size = sqlite3_column_bytes(statement, column);
  return bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), size);
}

#ifdef VELMORRA_FUZZ_EXPAT
// A text value as the export reads it: in a UTF-16 datastore a TEXT value's code units, a lone
// surrogate among them U+FFFD; anything else as ValueBytes.
std::string ValueText(sqlite3_stmt* statement, int column, TTextEncoding encoding) {
  if (encoding == TTextEncoding::Utf8 || sqlite3_column_type(statement, column) != SQLITE_TEXT)
    return ValueBytes(statement, column);
  const auto* units = static_cast<const char16_t*>(sqlite3_column_text16(statement, column));
  const size_t count = static_cast<size_t>(sqlite3_column_bytes16(statement, column)) / 2;
  return Utf16ToUtf8(std::u16string_view(units, count));
}
#endif

struct TExpectedMessage {
  std::string Phone;  // the phone's text as the phone list offers it
  // The stored IMEI is a BLOB of an odd number of bytes in a UTF-16 datastore: its last byte is in
  // no code unit, so the phone list's text of it names other bytes. Such a phone may be refused
  // with a message, though never given other rows.
  bool PhoneInexact = false;
  std::vector<std::pair<std::string, std::string>> Attributes;
};

// The datastore's text encoding, as the export reads it.
TTextEncoding EncodingOf(sqlite3* db) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA encoding", -1, &statement, nullptr);
  std::string name;
  if (sqlite3_step(statement) == SQLITE_ROW)
    name = ValueBytes(statement, 0);
  sqlite3_finalize(statement);
  return name == "UTF-16le"   ? TTextEncoding::Utf16le
         : name == "UTF-16be" ? TTextEncoding::Utf16be
                              : TTextEncoding::Utf8;
}

// The SMS rows in table order with the attributes each must get.
std::vector<TExpectedMessage> ExpectedMessages(sqlite3* db, const bool (&present)[kColumnCount]) {
  const TTextEncoding encoding = EncodingOf(db);
  std::string select = std::string("SELECT ") + kStoredImeiSql;
  for (int column = 2; column < kColumnCount; ++column)
    select += std::string(", ") + (present[column] ? kColumns[column] : "NULL");
  select += " FROM MessageEx WHERE type = 'SMS' ORDER BY Id";
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, select.c_str(), -1, &statement, nullptr);
  std::vector<TExpectedMessage> messages;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const std::string date = std::to_string(TimestampToUnixMillis(ValueBytes(statement, 2)));
    const std::string type = IsSentStatus(TextAsInteger(ValueBytes(statement, 3))) ? "2" : "1";
    TExpectedMessage& message = messages.emplace_back();
    const std::string stored = ValueBytes(statement, 0);
    message.Phone = PhoneTextOfStoredImei(stored, encoding);
    message.PhoneInexact = encoding != TTextEncoding::Utf8 && stored.size() % 2 == 1;
#ifdef VELMORRA_FUZZ_EXPAT
    message.Attributes =
        testing::ExpectedMessage(ExpectedText(ValueText(statement, 1, encoding)), date, type,
                                 ExpectedText(ValueText(statement, 4, encoding)));
#endif
  }
  sqlite3_finalize(statement);
  return messages;
}

struct TFolders {
  testing::TTempDirectory Input;
  testing::TTempDirectory Output;
};

// Exports the phone at `index` of the list (0: all) and checks the backup against `expected`.
void CheckExport(const std::string& datastore, int index, const std::string& phone,
                 const std::vector<TExpectedMessage>& expected, const TFolders& folders) {
  testing::TRecordingMessageBoxes messages;
  const TExportResult result =
      ExportSmsBackup(datastore, index, phone, messages, folders.Output.Path());
  // The rows of an inexact phone text are not its phone's: one phone's export holds only the rows
  // whose stored IMEI it names exactly, and it may be refused when there are none.
  std::vector<TExpectedMessage> rows;
  bool inexact = false;
  for (const TExpectedMessage& message : expected) {
    if (index != 0 && message.Phone == phone && message.PhoneInexact)
      inexact = true;
    else if (index == 0 || message.Phone == phone)
      rows.push_back(message);
  }
  const std::string what = "phone " + Printable(phone);
  if (inexact && rows.empty() && !result.Written) {
    FUZZ_CHECK(messages.Shown.size() == 1, what);
    return;
  }
  FUZZ_CHECK(result.Written && messages.Shown.empty(),
             what + ": " + (messages.Shown.empty() ? "" : messages.Shown[0].second));
  FUZZ_CHECK(result.MessageCount == static_cast<int>(rows.size()), what);
#ifdef VELMORRA_FUZZ_EXPAT
  const testing::TBackupFile file = testing::ReadBackupFile(result.FileName);
  FUZZ_CHECK(file.WellFormed, what + ": " + file.Error);
  FUZZ_CHECK(file.RootName == "smses" && !file.HasText, what);
  const testing::TAttributes count = {{"count", std::to_string(file.Messages.size())}};
  FUZZ_CHECK(file.RootAttributes == count, what);
  FUZZ_CHECK(file.Messages.size() == rows.size(), what);
  for (size_t i = 0; i < rows.size(); ++i) {
    FUZZ_CHECK(file.MessageNames[i] == "sms", what);
    FUZZ_CHECK(file.Messages[i] == rows[i].Attributes, what + ", message " + std::to_string(i));
  }
#endif
  // Emptied by listing it: a backup's name need not convert to the system's paths here.
  for (const auto& file :
       std::filesystem::directory_iterator(testing::Utf8Path(folders.Output.Path())))
    std::filesystem::remove(file.path());
}

}  // namespace
}  // namespace velmorra::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmorra;
  using namespace velmorra::fuzzing;
  static const TFolders folders;
  const std::string datastore = folders.Input.File("MDataStore.db3");
  std::filesystem::remove(testing::Utf8Path(datastore));

  TFuzzInput input(data, size);
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  bool present[kColumnCount];
  BuildDatastore(input, db, present);
  sqlite3_exec(db, ("VACUUM INTO '" + datastore + "'").c_str(), nullptr, nullptr, nullptr);
  const std::vector<TExpectedMessage> expected = ExpectedMessages(db, present);
  sqlite3_close(db);
  const std::string before = testing::ReadFileBytes(datastore);

  testing::TFakePhoneList phones;
  testing::TRecordingMessageBoxes messages;
  const TPhoneListRefresh refresh = RefreshPhoneList(datastore, phones, messages);
  FUZZ_CHECK(refresh.Replaced && refresh.ReadError.empty() && messages.Shown.empty(),
             refresh.ReadError);
  std::set<std::string> listed(phones.Items.begin() + 1, phones.Items.end());
  std::set<std::string> with_sms;
  for (const TExpectedMessage& message : expected)
    with_sms.insert(message.Phone);
  FUZZ_CHECK(phones.Items.at(0) == kAllPhonesCaption, "");
  FUZZ_CHECK(listed == with_sms && listed.size() + 1 == phones.Items.size(), "");

  CheckExport(datastore, 0, kAllPhonesCaption, expected, folders);
  if (phones.Items.size() > 1) {
    const int index = 1 + static_cast<int>(input.Number(255) % (phones.Items.size() - 1));
    CheckExport(datastore, index, phones.Items[static_cast<size_t>(index)], expected, folders);
  }
  FUZZ_CHECK(testing::ReadFileBytes(datastore) == before, "the datastore changed");
  return 0;
}
