#pragma once

#include <string>
#include <string_view>

namespace velmorra {

class TLite3ResultSet;

// The queries behind the phone list and the export of one phone. A phone is an IMEI as text
// (kImeiTextSql); both queries give exactly what comparing that text on every SMS row gives, but
// let an index on IMEI do the work where the datastore's IMEI column allows it: a TEXT column
// without a collation of its own (so that IMEIs the library takes as equal are the same bytes),
// for the export of one phone also with an index that starts with IMEI. Elsewhere (a column
// without a type that holds numbers, NOCASE, no index) they compare that text on every row.

// The statement that lists the phones: every distinct IMEI text of the SMS rows once, in the
// order of the bytes. Reads the datastore's schema through `query`.
std::string PhoneListSql(TLite3ResultSet& query);

// The condition, beside type = 'SMS', on the rows of MessageEx whose IMEI text is `PhoneText` byte
// for byte (zero bytes and bytes that are not UTF-8 included); their query gives them in the
// order of the rows in the table. Reads the schema, and which stored forms of the phone exist,
// through `query`.
std::string PhoneCondition(TLite3ResultSet& query, const std::string& PhoneText);

// `Text` as an SQL expression of the text of exactly these bytes: a string literal, with each
// zero byte, which a literal cannot hold, joined in as char(0).
std::string SqlTextExpression(std::string_view Text);

}  // namespace velmorra
