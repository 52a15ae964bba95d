#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/drag_drop.h"
#include "app/error_report.h"
#include "app/work_thread.h"
#include "export/phone_list.h"
#include "export/sms_backup_export.h"
#include "export/work_progress.h"
#include "platform/clock.h"
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

// The two reads of a datastore that the window starts, as functions so that tests can give their
// own; DatastoreReads() gives RefreshPhoneList and ExportSmsBackup. The window calls them on its
// work thread, with message boxes that only record what they are given and a progress through
// which it follows and cancels them; the export may raise what ExportSmsBackup raises.
struct TDatastoreReads {
  std::function<TPhoneListRefresh(const std::string& DatastoreFile, IPhoneList& PhoneList,
                                  IMessageBoxes& Messages, TWorkProgress& Progress)>
      ReadPhones;
  std::function<TExportResult(const std::string& DatastoreFile, int PhoneIndex,
                              const std::string& PhoneText, IMessageBoxes& Messages,
                              const std::string& OutputDirectory, TWorkProgress& Progress)>
      Export;
};
TDatastoreReads DatastoreReads();

// What the main window works with besides its controls.
struct TfrmMainServices {
  IFormWindow& Window;
  IMessageBoxes& Messages;
  IRegistry& Registry;
  TErrorReport& Errors;
  IWorkRunner& Runner;
  TDatastoreReads Reads;
  std::string OutputDirectory;  // where the backups go, ending in a separator
  // A datastore named on the command line, opened at start in place of discovery; empty for none.
  std::string GivenDatastore = {};
  // Says discovery's warning in the notice rather than in a message box (the Linux window, most of
  // whose users have no Wine prefix at all).
  bool WarningInNotice = false;
  // The monotonic clock in microseconds that paces the progress shown.
  std::function<int64_t()> Clock = MonotonicMicroseconds;
};

// What a toolkit's main window is made with. The references must outlive the window.
struct TWindowServices {
  IRegistry& Registry;
  TErrorReport& Errors;
  std::string OutputDirectory;        // where backups go, ending in a separator
  std::string GivenDatastore = {};    // from the command line; empty for none
  IMessageBoxes* Messages = nullptr;  // nullptr: the window's own message boxes
  IOpenDialog* OpenDialog = nullptr;  // nullptr: the window's own open dialog
  IWorkRunner* Runner = nullptr;      // nullptr: a work thread of the window's own
  std::optional<TDatastoreReads> Reads = std::nullopt;  // nothing: DatastoreReads()
};

// The services of the logic of a toolkit's `window` made with `services`: the window's own message
// boxes and work thread where `services` names none, and discovery's warning in the notice when
// `warning_in_notice`.
TfrmMainServices WindowLogicServices(const TWindowServices& services, IFormWindow& window,
                                     IMessageBoxes& own_messages, IWorkRunner& own_runner,
                                     bool warning_in_notice);

// The main window's logic, apart from any toolkit: its handlers, the two modes of the datastore
// row (discovered: the list of datastores shows; manual: the edit box and the open button show)
// and the rule that tells which datastore file is meant. The toolkit calls the handlers; each of
// them reports through the error report whatever escapes it, so none of them throws.
//
// Reading a datastore's phones and converting run on the work thread, one at a time; the window
// keeps painting meanwhile, shows the work in the notice and lets the user start no other work
// (see TWorkState). What the work ends with comes back on the window's thread: the phones fill the
// list; a read that fails says why in the notice; a conversion that fails says why in a message
// box. Closing the window cancels the work under way, which then writes nothing.
//
// The notice says where backups go, until a datastore picked in the list shows its path there, a
// read says why it failed, or a conversion says what it wrote (naming the folder too unless the
// notice named it before). Controls and services must outlive the window's logic.
class TfrmMain {
 public:
  TfrmMain(const TfrmMainControls& controls, TfrmMainServices services);
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  // The file drop target; the toolkit sets its DropTarget and calls Loaded before FormCreate.
  // Its OnDrop is JvDragDrop1Drop.
  TJvDragDrop JvDragDrop1;

  // Opens the given datastore as a confirmed file of the open dialog, when there is one; otherwise
  // runs datastore discovery (its warning, and manual mode, when the registry has no datastores)
  // and reads the phones of the first datastore.
  void FormCreate();
  // The window is closing: the work under way is cancelled and writes nothing.
  void FormClose();
  // Waits for the cancelled work to end, then drops the datastore paths.
  void FormDestroy();
  // Closes the window for Escape (27); leaves `Key` as it is for the focused control.
  void FormKeyPress(char& Key);
  // Runs the open dialog; a confirmed file becomes the edit box's text and its phones are read.
  void cmdOpenClick();
  // Shows the path of the datastore the user picked and reads its phones.
  void cmboxStoresChange();
  // Writes the SMS backup of the chosen phone into the output directory. When the phones listed
  // are not those of the current path, that path's phones are read first and all of them are
  // converted; a read that fails says why, and nothing is converted. During a read Convert waits
  // for it.
  void cmdConvertClick();
  // Takes the first dropped name as the manual datastore path and reads its phones.
  void JvDragDrop1Drop(TJvDragDrop& Sender, TPoint Pos, const std::vector<std::string>& Value);
  // A character typed into the edit box: Enter (13) reads the phones of the typed path. `Key` is
  // left as it is.
  void txtStoreKeyPress(char& Key);
  // The focus leaves the edit box: reads the phones of the typed path unless it is empty or the
  // path read last.
  void txtStoreExit();

  // The datastore file the user has chosen: in discovered mode the path of the selected item
  // (empty when none is), in manual mode what DatastorePathFromText makes of the edit box's text.
  std::string CurrentDatastorePath() const;
  // Hides the datastore list, then shows the edit box, then the open button.
  void SwitchToManualMode();
  bool ManualMode() const { return !controls_.cmboxStores.Visible(); }
  // The discovered datastore files; empty before FormCreate and after FormDestroy.
  std::vector<std::string> StorePaths() const;

 private:
  // What the notice says between works, with its tooltip; whether it names the output folder.
  struct TNotice {
    std::string Text;
    std::string Tooltip;
    bool NamesOutputFolder = false;
  };
  // Runs on the work thread with the work's progress and gives what is to run on the window's
  // thread once it has ended.
  using TWork = std::function<std::function<void()>(TWorkProgress& progress)>;

  void DiscoverStores();
  void OpenGivenDatastore(const std::string& path);
  bool Working() const { return work_state_ != TWorkState::Idle; }
  // Starts `work` in `state`; when `show_rows`, the rows it reports are shown in the notice.
  void StartWork(TWorkState state, bool show_rows, TWork work);
  void EndWork();
  // Shows, a few times a second, the rows that work `work_id` has converted.
  void ShowRowsOf(TWorkProgress& progress, uint64_t work_id);
  // Puts `notice` in the notice, then reads the phones of CurrentDatastorePath into cmboxMobile,
  // which is emptied first.
  void ReadPhones(const TNotice& notice);
  void PhonesRead(const std::string& path, const IPhoneList& phones,
                  const TPhoneListRefresh& refresh, const std::string& message,
                  const TEscapedError& error);
  // Converts the chosen phone of CurrentDatastorePath.
  void StartExport();
  void ExportEnded(const TExportResult& result, const TRecordedMessages& messages,
                   const TEscapedError& error, bool name_folder);
  void SetNotice(TNotice notice);
  // Shows a passing text that leaves the notice as it is, to come back with RestoreNotice.
  void ShowPassingNotice(const std::string& text, const std::string& tooltip);
  void RestoreNotice();
  TNotice BackupFolder() const;

  TfrmMainControls controls_;
  TfrmMainServices services_;
  std::unique_ptr<std::vector<std::string>> storePaths;
  // The path of the last phone list read, whatever its outcome.
  std::string readPath_;
  // The path whose phones cmboxMobile holds; none before the first successful read.
  std::optional<std::string> phonesPath_;
  TNotice notice_;
  TWorkState work_state_ = TWorkState::Idle;
  // The work under way: its number (which tells its reports from those of earlier works) and its
  // progress.
  uint64_t work_id_ = 0;
  std::shared_ptr<TWorkProgress> progress_;
  // Convert was pressed while phones were read: it converts once they are.
  bool convert_after_read_ = false;
};

}  // namespace velmorra
