#include "export/phone_list.h"

#include "db/lite3_db.h"
#include "export/datastore_file.h"
#include "platform/program_directory.h"

namespace velmorra {

TPhoneListRefresh RefreshPhoneList(const std::string& DatastoreFile, IPhoneList& PhoneList,
                                   IMessageBoxes& Messages, TWorkProgress* Progress) {
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

  const TInterruptOnCancel interruptible(Progress, db);
  if (IsCancelled(Progress))
    return {};
  // A failed query shows nothing: the list then offers "All Phones" alone.
  TLite3ResultSet& phones = *db.NewResultSet();
  const bool read = phones.QueryFmt(
      std::string("SELECT ") + kImeiTextSql + " FROM MessageEx WHERE type = %s GROUP BY 1",
      {"SMS"});
  if (IsCancelled(Progress))
    return {};

  PhoneList.Clear();
  PhoneList.AddItem(kAllPhonesCaption);
  for (int i = 0; i < phones.RowCount(); ++i)
    PhoneList.AddItem(phones.Rows(i).Cells(0).AsString);
  PhoneList.SetItemIndex(0);
  return {true, read ? std::string() : DatastoreReadErrorMessage(phones.ErrorMessage)};
}

}  // namespace velmorra
