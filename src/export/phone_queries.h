#pragma once

#include <string>

namespace velmorra {

class TLite3ResultSet;

// The queries behind the phone list and the export of one phone (see phone_match.h). Both give
// exactly what comparing kStoredImeiSql on every SMS row gives, but let an index on IMEI do the
// work where the datastore's IMEI column allows it: a TEXT column without a collation of its own
// (so that IMEIs the library takes as equal are the same bytes), for the export of one phone also
// with an index that starts with IMEI. Elsewhere (a column without a type that holds numbers,
// NOCASE, no index) they compare kStoredImeiSql on every row.

// The statement that lists the phones: every distinct kStoredImeiSql value of the SMS rows once,
// in the order of the bytes. Reads the datastore's schema through `query`.
std::string PhoneListSql(TLite3ResultSet& query);

// The condition, beside type = 'SMS', on the rows of MessageEx of the phone whose text in the
// phone list is `PhoneText` (ImeiMatchSql); their query gives them in the order of the rows in the
// table. Reads the schema, and which stored forms of the phone exist, through `query`.
std::string PhoneCondition(TLite3ResultSet& query, const std::string& PhoneText);

}  // namespace velmorra
