#pragma once

#include <string>

#include "export/work_progress.h"
#include "platform/message_box.h"

namespace velmorra {

// The first item of the phone list, which stands for every phone.
inline constexpr char kAllPhonesCaption[] = "All Phones";

// The phone list control as the refresh sees it: a drop-down list that allows selection only.
// Item and Text give back a caption's bytes exactly as added, also bytes that are not UTF-8 (a
// toolkit that shows them otherwise keeps them beside the item), since the export looks the phone
// up by them.
class IPhoneList {
 public:
  virtual ~IPhoneList() = default;
  virtual void Clear() = 0;
  virtual void AddItem(const std::string& caption) = 0;
  // Selects the item at `index` (-1 selects nothing). Selecting from the program raises no
  // change event.
  virtual void SetItemIndex(int index) = 0;
  virtual int ItemIndex() const = 0;
  virtual int ItemCount() const = 0;
  virtual std::string Item(int index) const = 0;
  // The selected item's caption; empty when nothing is selected.
  virtual std::string Text() const = 0;
};

// How a refresh ended.
struct TPhoneListRefresh {
  // False when a message was shown (no file at the path, or it cannot be opened) and the list
  // was left as it was.
  bool Replaced = false;
  // When the list was replaced: empty if the datastore's phones were read, otherwise the message
  // that says why they could not be (not a datastore, damaged, locked), the list then offering
  // "All Phones" alone. This is not shown: the window stays quiet and its export reports the
  // datastore; the command line reports it at once.
  std::string ReadError;
};

// Replaces the items of `PhoneList` with "All Phones" and the IMEIs that have text messages in the
// datastore at `DatastoreFile` (8-bit text, possibly empty), and selects "All Phones". On failure
// shows the error in `Messages` and leaves the list as it was. Changes nothing else. `Progress`,
// when given, may cancel the read: a cancelled read shows nothing and leaves the list as it was.
TPhoneListRefresh RefreshPhoneList(const std::string& DatastoreFile, IPhoneList& PhoneList,
                                   IMessageBoxes& Messages, TWorkProgress* Progress = nullptr);

}  // namespace velmorra
