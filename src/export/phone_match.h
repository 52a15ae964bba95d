#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "db/lite3_db.h"

namespace velmorra {

// How a message names its phone, and how the phone list's text names it back. The phone list
// shows PhoneTextOfStoredImei of each distinct kStoredImeiSql value; the export of one phone takes
// the messages for which ImeiMatchSql of its text holds. The pair gives back every stored value
// exactly: any byte string of a UTF-8 datastore (zero bytes and bytes that are not UTF-8
// included), and any sequence of code units of a UTF-16 one (lone surrogates included).

// A message's phone as SQL: the bytes of its IMEI as text in the datastore's encoding (an INTEGER
// or REAL as the database renders it, a BLOB as its bytes), with NULL and '' alike the empty text.
inline constexpr char kStoredImeiSql[] = "CAST(CAST(IFNULL(IMEI, '') AS TEXT) AS BLOB)";

// The phone list's text of the kStoredImeiSql bytes `stored`: in a UTF-8 datastore the bytes
// themselves; in a UTF-16 one its code units in generalized UTF-8 (Utf16ToGeneralizedUtf8; an odd
// last byte, which no code unit holds, is left out).
std::string PhoneTextOfStoredImei(std::string_view stored, TTextEncoding encoding);

// The kStoredImeiSql bytes whose phone text is `PhoneText`; nothing when no stored value gives it.
std::optional<std::string> StoredImeiOfPhoneText(const std::string& PhoneText,
                                                 TTextEncoding encoding);

// `bytes` as an SQL blob literal (X'…').
std::string SqlBlobLiteral(std::string_view bytes);

// The SQL condition that holds for the messages of the phone whose text in the phone list is
// `PhoneText`: kStoredImeiSql equal to a blob literal of the bytes that PhoneTextOfStoredImei
// turns into `PhoneText`. A text that no stored value turns into gives a condition that never
// holds.
std::string ImeiMatchSql(const std::string& PhoneText, TTextEncoding encoding);

}  // namespace velmorra
