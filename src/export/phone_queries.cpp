#include "export/phone_queries.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "db/lite3_db.h"
#include "db/sql_support.h"
#include "export/phone_match.h"

namespace velmorra {

namespace {

constexpr char kSmsRows[] = " FROM MessageEx WHERE type = 'SMS'";

// The stored IMEIs of the SMS rows, each once (through an index on IMEI where there is one). The
// OFFSET keeps the library from merging it into the query around it, which would then group every
// row rather than the few distinct values.
constexpr char kDistinctImeis[] =
    " FROM (SELECT DISTINCT IMEI FROM MessageEx WHERE type = 'SMS' LIMIT -1 OFFSET 0)";

// Names and types of the schema compared as the library compares them: ASCII letters in either
// case, whatever the locale.
bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  const auto equal = [&](char a, char b) { return lower(a) == lower(b); };
  return std::search(text.begin(), text.end(), word.begin(), word.end(), equal) != text.end();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ContainsIgnoringCase(a, b);
}

// The library's rule for a declared type: one that names INT has INTEGER affinity, else one that
// names CHAR, CLOB or TEXT has TEXT affinity.
bool HasTextAffinity(std::string_view declared_type) {
  return !ContainsIgnoringCase(declared_type, "INT") &&
         (ContainsIgnoringCase(declared_type, "CHAR") ||
          ContainsIgnoringCase(declared_type, "CLOB") ||
          ContainsIgnoringCase(declared_type, "TEXT"));
}

struct TImeiColumn {
  // A TEXT column compared by its bytes: it holds only NULL, TEXT and BLOB, and two IMEIs the
  // library takes as equal are the same bytes of the same kind. (Without a type it may hold 1
  // and 1.0, which are equal but read "1" and "1.0"; under NOCASE "a" equals "A".)
  bool ComparedByBytes = false;
  // An index (not a partial one) whose first column is IMEI.
  bool Indexed = false;
};

bool ImeiColumnComparedByBytes(TLite3ResultSet& query) {
  query.Query("PRAGMA table_info(MessageEx)");
  bool text = false;
  for (int i = 0; i < query.RowCount(); ++i) {
    TResultRow& row = query.Rows(i);
    if (EqualsIgnoringCase(row.CellByName("name").AsString, "IMEI"))
      text = HasTextAffinity(row.CellByName("type").AsString);
  }
  if (!text)
    return false;
  // Any collation named in the table counts, which errs on the safe side.
  query.Query(
      "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'MessageEx' COLLATE NOCASE");
  return query.RowCount() == 1 && !ContainsIgnoringCase(query.Rows(0).Cells(0).AsString, "COLLATE");
}

bool ImeiColumnIndexed(TLite3ResultSet& query) {
  query.Query("PRAGMA index_list(MessageEx)");
  std::vector<std::string> indexes;
  for (int i = 0; i < query.RowCount(); ++i) {
    TResultRow& row = query.Rows(i);
    if (row.CellByName("partial").AsString != "1")
      indexes.push_back(row.CellByName("name").AsString);
  }
  for (const std::string& index : indexes) {
    query.Query("PRAGMA index_info(" + SqlQuotedStr(index) + ")");
    for (int i = 0; i < query.RowCount(); ++i) {
      TResultRow& row = query.Rows(i);
      if (row.CellByName("seqno").AsString == "0" &&
          EqualsIgnoringCase(row.CellByName("name").AsString, "IMEI")) {
        return true;
      }
    }
  }
  return false;
}

TImeiColumn InspectImeiColumn(TLite3ResultSet& query, bool index_needed) {
  TImeiColumn column;
  column.ComparedByBytes = ImeiColumnComparedByBytes(query);
  column.Indexed = column.ComparedByBytes && index_needed && ImeiColumnIndexed(query);
  return column;
}

// The conditions that pick each stored form of a TEXT column whose kStoredImeiSql bytes are
// `stored`: the text of those bytes, the BLOB of them and, for none, NULL. Each is one value, so
// its rows come through the index in the order of the table.
std::vector<std::string> StoredFormConditions(const std::string& stored) {
  const std::string blob = SqlBlobLiteral(stored);
  std::vector<std::string> conditions = {"IMEI = CAST(" + blob + " AS TEXT)", "IMEI = " + blob};
  if (stored.empty())
    conditions.push_back("IMEI IS NULL");
  return conditions;
}

// In a UTF-16 datastore a BLOB of odd length reads as its even bytes: the condition on the BLOBs
// one byte longer than `stored` that begin with it, which the index finds as a range.
std::string OddBlobCondition(const std::string& stored) {
  return "IMEI BETWEEN " + SqlBlobLiteral(stored + '\x00') + " AND " +
         SqlBlobLiteral(stored + '\xff') + " AND length(IMEI) = " +
         std::to_string(stored.size() + 1);
}

bool AnySmsRow(TLite3ResultSet& query, const std::string& condition) {
  return query.Query(std::string("SELECT 1") + kSmsRows + " AND " + condition + " LIMIT 1") &&
         query.RowCount() > 0;
}

}  // namespace

// The one stored form of the phone that the SMS rows hold where the index can find it, else
// ImeiMatchSql compared on every row (also where several forms of it are stored, whose rows the
// index would hand out form by form rather than in table order, and where a UTF-16 datastore holds
// a BLOB of odd length that reads as the phone).
std::string PhoneCondition(TLite3ResultSet& query, const std::string& PhoneText) {
  const TTextEncoding encoding = query.Connection().TextEncoding;
  const std::string compared = ImeiMatchSql(PhoneText, encoding);
  const std::optional<std::string> stored_imei = StoredImeiOfPhoneText(PhoneText, encoding);
  if (!stored_imei || !InspectImeiColumn(query, true).Indexed)
    return compared;
  std::vector<std::string> stored;
  for (const std::string& condition : StoredFormConditions(*stored_imei)) {
    if (AnySmsRow(query, condition))
      stored.push_back(condition);
    else if (query.ErrorCode != 0)
      return compared;
  }
  const bool odd_blobs = encoding != TTextEncoding::Utf8 &&
                         (AnySmsRow(query, OddBlobCondition(*stored_imei)) || query.ErrorCode != 0);
  if (stored.size() > 1 || odd_blobs)
    return compared;
  return stored.empty() ? "0" : stored.front();
}

std::string PhoneListSql(TLite3ResultSet& query) {
  const bool distinct_first = InspectImeiColumn(query, false).ComparedByBytes;
  return std::string("SELECT ") + kStoredImeiSql + (distinct_first ? kDistinctImeis : kSmsRows) +
         " GROUP BY 1";
}

}  // namespace velmorra
