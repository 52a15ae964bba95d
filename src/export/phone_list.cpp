#include "export/phone_list.h"

#include "db/lite3_db.h"
#include "export/datastore_file.h"
#include "export/phone_match.h"
#include "export/phone_queries.h"

namespace velmorra {

TPhoneListRefresh RefreshPhoneList(const std::string& DatastoreFile, IPhoneList& PhoneList,
                                   IMessageBoxes& Messages, TWorkProgress* Progress) {
  const std::optional<std::string> path = ExistingDatastorePath(DatastoreFile, Messages);
  if (!path)
    return {};

  TLite3Db db;
  if (!OpenDatastore(db, *path, Messages))
    return {};

  const TInterruptOnCancel interruptible(Progress, db);
  if (IsCancelled(Progress))
    return {};
  // A failed query shows nothing: the list then offers "All Phones" alone. Every phone listed
  // exports its messages: the export matches the stored values that the list shows.
  TLite3ResultSet& phones = *db.NewResultSet();
  const bool read = phones.Query(PhoneListSql(phones));
  if (IsCancelled(Progress))
    return {};

  PhoneList.Clear();
  PhoneList.AddItem(kAllPhonesCaption);
  for (int i = 0; i < phones.RowCount(); ++i)
    PhoneList.AddItem(PhoneTextOfStoredImei(phones.Rows(i).Cells(0).AsString, db.TextEncoding));
  PhoneList.SetItemIndex(0);
  return {true, read ? std::string() : DatastoreReadErrorMessage(phones.ErrorMessage)};
}

}  // namespace velmorra
