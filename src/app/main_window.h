#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/drag_drop.h"
#include "app/error_report.h"
#include "export/phone_list.h"
#include "platform/message_box.h"
#include "platform/registry.h"

namespace velmorra {

// The controls of the main window that its logic reads or changes.
struct TfrmMainControls {
  IItemComboBox& cmboxStores;  // discovered datastores; its visibility is the mode
  IEditBox& txtStore;          // manual datastore path
  IControlVisibility& cmdOpen;
  IPhoneList& cmboxMobile;
  IOpenDialog& od;
};

// What the main window works with besides its controls.
struct TfrmMainServices {
  IFormWindow& Window;
  IMessageBoxes& Messages;
  IRegistry& Registry;
  TErrorReport& Errors;
  std::string OutputDirectory;  // where the backups go, ending in a separator
};

// What a toolkit's main window is made with. The references must outlive the window.
struct TWindowServices {
  IRegistry& Registry;
  TErrorReport& Errors;
  std::string OutputDirectory;        // where backups go, ending in a separator
  IMessageBoxes* Messages = nullptr;  // nullptr: the window's own message boxes
  IOpenDialog* OpenDialog = nullptr;  // nullptr: the window's own open dialog
};

// What Label2 says from the start and again at each action after a conversion.
std::string BackupFolderNotice(const std::string& output_directory);
// What Label2 says after a conversion that wrote `message_count` messages into `file_name`.
std::string ConversionNotice(int message_count, const std::string& file_name);

// The main window's logic, apart from any toolkit: its handlers, the two modes of the datastore
// row (discovered: the list of datastores shows; manual: the edit box and the open button show)
// and the rule that tells which datastore file is meant. The toolkit calls the handlers; each of
// them reports through the error report whatever escapes it, so none of them throws. While the
// phone list is read and while the export runs the window shows the wait cursor (not while a
// message box waits). Label2 says where backups go, and after a conversion what it wrote, until
// the next action. Controls and services must outlive the window's logic.
class TfrmMain {
 public:
  TfrmMain(const TfrmMainControls& controls, TfrmMainServices services);
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  // The file drop target; the toolkit sets its DropTarget and calls Loaded before FormCreate.
  // Its OnDrop is JvDragDrop1Drop.
  TJvDragDrop JvDragDrop1;

  // Runs datastore discovery (warning and manual mode when the registry has no datastores), then
  // selects the first datastore and reads its phones.
  void FormCreate();
  void FormDestroy();
  // Closes the window for Escape (27); leaves `Key` as it is for the focused control.
  void FormKeyPress(char& Key);
  // Runs the open dialog; a confirmed file becomes the edit box's text and its phones are read.
  void cmdOpenClick();
  // Reads the phones of the datastore the user selected.
  void cmboxStoresChange();
  // Writes the SMS backup of the chosen phone into the output directory. The phone list is first
  // read again when it was read for another path than the current one (then "All Phones" is
  // chosen); a read that fails has said why, and nothing is exported.
  void cmdConvertClick();
  // Takes the first dropped name as the manual datastore path and reads its phones.
  void JvDragDrop1Drop(TJvDragDrop& Sender, TPoint Pos, const std::vector<std::string>& Value);
  // A character typed into the edit box: Enter (13) reads the phones of the typed path. `Key` is
  // left as it is.
  void txtStoreKeyPress(char& Key);
  // The focus leaves the edit box: reads the phones of the typed path unless it is the path read
  // last.
  void txtStoreExit();
  // A datastore named on the command line (as a desktop names a file dropped on the program's
  // icon), taken as a file confirmed in the open dialog: manual mode, its full path in the edit
  // box, its phones read. Runs after FormCreate, before the window shows.
  void OpenGivenDatastore(const std::string& path);

  // The datastore file the user has chosen: in discovered mode the path of the selected item
  // (empty when none is), in manual mode the edit box's text without leading and trailing
  // characters of code 32 or less. Neither tests nor expands the path.
  std::string CurrentDatastorePath() const;
  // Hides the datastore list, then shows the edit box, then the open button.
  void SwitchToManualMode();
  bool ManualMode() const { return !controls_.cmboxStores.Visible(); }
  // The discovered datastore files; empty before FormCreate and after FormDestroy.
  std::vector<std::string> StorePaths() const;

 private:
  // The message boxes, which take the wait cursor away while they wait for the user.
  class TMessagesWithoutWaitCursor : public IMessageBoxes {
   public:
    explicit TMessagesWithoutWaitCursor(TfrmMain& form) : form_(form) {}
    void ShowMessage(TMessageBoxKind kind, const std::string& text) override;

   private:
    TfrmMain& form_;
  };
  // Shows the wait cursor for its life.
  class TWaitCursor {
   public:
    explicit TWaitCursor(TfrmMain& form);
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

   private:
    TfrmMain& form_;
  };

  void DiscoverStores();
  // Reads the phones of CurrentDatastorePath into cmboxMobile; true when the list was replaced.
  bool ReadPhones();
  void ShowBackupFolderNotice();

  TfrmMainControls controls_;
  TfrmMainServices services_;
  TMessagesWithoutWaitCursor messages_{*this};
  int busy_ = 0;  // wait cursors alive
  std::unique_ptr<std::vector<std::string>> storePaths;
  // The path of the last phone list read, whatever its outcome.
  std::string readPath_;
  // The path whose phones cmboxMobile holds; none before the first successful read.
  std::optional<std::string> phonesPath_;
};

}  // namespace velmorra
