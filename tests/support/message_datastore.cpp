#include "support/message_datastore.h"

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>

namespace velmorra::testing {

namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
  throw std::runtime_error(what + ": " + (db != nullptr ? sqlite3_errmsg(db) : "no connection"));
}

void Run(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string text = error != nullptr ? error : "unknown error";
    sqlite3_free(error);
    throw std::runtime_error(sql + ": " + text);
  }
}

void Bind(sqlite3* db, sqlite3_stmt* statement, int index, const TStoredValue& value) {
  int rc = SQLITE_OK;
  switch (value.Kind) {
    case TStoredValue::TKind::Null:
      rc = sqlite3_bind_null(statement, index);
      break;
    case TStoredValue::TKind::Integer:
      rc = sqlite3_bind_int64(statement, index, value.Integer);
      break;
    case TStoredValue::TKind::Real:
      rc = sqlite3_bind_double(statement, index, value.Real);
      break;
    case TStoredValue::TKind::Text:
      rc = sqlite3_bind_text(statement, index, value.Text.data(),
                             static_cast<int>(value.Text.size()), SQLITE_TRANSIENT);
      break;
    case TStoredValue::TKind::Blob:
      rc = sqlite3_bind_blob(statement, index, value.Text.data(),
                             static_cast<int>(value.Text.size()), SQLITE_TRANSIENT);
      break;
  }
  if (rc != SQLITE_OK)
    Fail(db, "bind");
}

// Owns one prepared statement.
class TStatement {
 public:
  TStatement(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
      Fail(db, sql);
    }
  }
  ~TStatement() { sqlite3_finalize(statement_); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  void Bind(int index, const TStoredValue& value) { testing::Bind(db_, statement_, index, value); }
  // The next row's first column as bytes; nothing after the last row.
  std::optional<std::string> NextValue() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_DONE)
      return std::nullopt;
    if (rc != SQLITE_ROW)
      Fail(db_, "select");
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, 0));
    return std::string(bytes != nullptr ? bytes : "",
                       static_cast<size_t>(sqlite3_column_bytes(statement_, 0)));
  }
  void Step() {
    if (sqlite3_step(statement_) != SQLITE_DONE)
      Fail(db_, "insert");
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

// splitmix64: the same numbers from the same seed on every platform and standard library.
class TRandom {
 public:
  explicit TRandom(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // A number from `low` to `high`, both included.
  int Between(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
  }

 private:
  uint64_t state_;
};

constexpr std::array kWords = {
    "the",   "a",          "see",   "you",     "at",      "noon",    "tomorrow", "call",
    "me",    "when",       "home",  "thanks",  "ok",      "meeting", "is",       "late",
    "bring", "cake",       "train", "station", "love",    "dinner",  "tonight",  "why",
    "not",   "yes",        "no",    "maybe",   "weekend", "work",    "done",     "soon",
    "café",  "déjà",       "vu",    "naïve",   "Grüße",   "mañana",  "привет",   "как",
    "дела",  "спасибо",    "明日",  "会議",    "谢谢",    "😊",       "👍🏽", "🎉",
    "&",     "\"quoted\"", "<3",    "it's",    "5 > 3",   "£4.20",   "€10",      "100%"};

constexpr std::array kSenders = {"+447700900123", "+447700900456",  "Mum",
                                 "80010",         "Chloé Dubois",   "Иван Петров",
                                 "李小龍",        "+4915112345678", "Jürgen Groß",
                                 "+34600123456",  "+12025550143",   "Žofie Nováková"};

std::string GeneratedBody(TRandom& random) {
  const int word_count = random.Between(3, 30);
  std::string body;
  for (int i = 0; i < word_count; ++i) {
    if (i > 0)
      body += random.Between(0, 19) == 0 ? "\n" : " ";
    body += kWords[random.Next() % kWords.size()];
  }
  return body;
}

// A day count between 2006 and 2012 with whole seconds, stored in one of the three forms the Ovi
// software used.
TStoredValue GeneratedTimestamp(TRandom& random) {
  const double days = random.Between(38718, 41274) + random.Between(0, 86399) / 86400.0;
  const int form = random.Between(0, 2);
  if (form == 0)
    return days;
  char text[32];
  std::snprintf(text, sizeof text, "%.10f", days);
  std::string value = text;
  if (form == 2)
    value[value.find('.')] = ',';
  return value;
}

}  // namespace

const std::vector<std::string>& SampleMessageColumns() {
  static const std::vector<std::string> columns = {"Id INTEGER PRIMARY KEY",
                                                   "MessageGuid TEXT",
                                                   "IMEI TEXT",
                                                   "type TEXT",
                                                   "Folder INTEGER",
                                                   "Sender TEXT",
                                                   "Receiver TEXT",
                                                   "Subject TEXT",
                                                   "SentReceivedTimestamp",
                                                   "Status INTEGER",
                                                   "Flags INTEGER",
                                                   "Priority INTEGER",
                                                   "Text TEXT",
                                                   "AttachmentCount INTEGER"};
  return columns;
}

struct TMessageDatastore::TConnection {
  sqlite3* Db = nullptr;
};

TMessageDatastore::TMessageDatastore(const std::string& path,
                                     const std::vector<std::string>& columns,
                                     const std::string& encoding)
    : connection_(new TConnection) {
  std::filesystem::remove(path);
  if (sqlite3_open(path.c_str(), &connection_->Db) != SQLITE_OK) {
    sqlite3_close(connection_->Db);
    delete connection_;
    throw std::runtime_error("cannot create the datastore " + path);
  }
  try {
    Run(connection_->Db, "PRAGMA encoding = '" + encoding + "'");
    std::string sql = "CREATE TABLE MessageEx (";
    for (size_t i = 0; i < columns.size(); ++i)
      sql += (i > 0 ? ", " : "") + columns[i];
    Run(connection_->Db, sql + ")");
  } catch (...) {
    sqlite3_close(connection_->Db);
    delete connection_;
    throw;
  }
}

TMessageDatastore::~TMessageDatastore() {
  sqlite3_close(connection_->Db);
  delete connection_;
}

void TMessageDatastore::Insert(const TMessageRow& row) {
  std::string names;
  std::string placeholders;
  for (const auto& [name, value] : row) {
    names += (names.empty() ? "" : ", ") + ("\"" + name + "\"");
    placeholders += placeholders.empty() ? "?" : ", ?";
  }
  const std::string sql =
      row.empty() ? "INSERT INTO MessageEx DEFAULT VALUES"
                  : "INSERT INTO MessageEx (" + names + ") VALUES (" + placeholders + ")";
  TStatement insert(connection_->Db, sql);
  for (size_t i = 0; i < row.size(); ++i)
    insert.Bind(static_cast<int>(i + 1), row[i].second);
  insert.Step();
}

void TMessageDatastore::Execute(const std::string& sql) {
  Run(connection_->Db, sql);
}

std::vector<std::string> QueryColumn(const std::string& path, const std::string& sql,
                                     const std::vector<TStoredValue>& arguments) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + path);
  }
  std::vector<std::string> values;
  try {
    TStatement select(db, sql);
    for (size_t i = 0; i < arguments.size(); ++i)
      select.Bind(static_cast<int>(i + 1), arguments[i]);
    while (std::optional<std::string> value = select.NextValue())
      values.push_back(std::move(*value));
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  sqlite3_close(db);
  return values;
}

std::string GeneratedPhoneImei(int index) {
  char imei[32];
  std::snprintf(imei, sizeof imei, "35693803%07d", 5643809 + index * 1117);
  return imei;
}

int64_t WriteGeneratedDatastore(const std::string& path, const TGeneratedMessages& shape) {
  TMessageDatastore datastore(path);
  datastore.Execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
  TRandom random(shape.Seed);
  int64_t sms_count = 0;
  {
    TStatement insert(datastore.connection_->Db,
                      "INSERT INTO MessageEx (MessageGuid, IMEI, type, Folder, Sender, Receiver, "
                      "SentReceivedTimestamp, Status, Flags, Priority, Text, AttachmentCount) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1, ?, 0)");
    for (int64_t i = 0; i < shape.Count; ++i) {
      const bool sms = random.Between(0, 99) >= shape.NonSmsPercent;
      const int status = random.Between(0, 3);
      const bool sent = (status & 1) == 1;
      const std::string sender = kSenders[random.Next() % kSenders.size()];
      char guid[40];
      std::snprintf(guid, sizeof guid, "{%08llX-%04X}", static_cast<unsigned long long>(i),
                    static_cast<unsigned>(shape.Seed & 0xFFFF));
      insert.Bind(1, guid);
      insert.Bind(2, GeneratedPhoneImei(random.Between(0, shape.PhoneCount - 1)));
      insert.Bind(3, sms ? "SMS" : (random.Between(0, 1) == 0 ? "MMS" : "EMAIL"));
      insert.Bind(4, sent ? 2 : 1);
      insert.Bind(5, sender);
      insert.Bind(6, sent ? TStoredValue(sender) : TStoredValue());
      insert.Bind(7, GeneratedTimestamp(random));
      insert.Bind(8, status);
      insert.Bind(9, 0);
      insert.Bind(10, GeneratedBody(random));
      insert.Step();
      if (sms)
        ++sms_count;
    }
  }
  datastore.Execute("COMMIT");
  return sms_count;
}

}  // namespace velmorra::testing
