#include "app/main_window.h"

#include <utility>

#include "app/datastore_discovery.h"
#include "export/sms_backup_export.h"
#include "platform/file_system.h"

namespace velmorra {

namespace {

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

std::string TrimBlanksAndControls(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlankOrControl(text[begin]))
    ++begin;
  while (end > begin && IsBlankOrControl(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::string BackupFolderNotice(const std::string& output_directory) {
  return "Backups are saved in " + output_directory;
}

std::string ConversionNotice(int message_count, const std::string& file_name) {
  size_t name_start = file_name.size();
  while (name_start > 0 && !IsPathSeparator(file_name[name_start - 1]))
    --name_start;
  return std::to_string(message_count) + (message_count == 1 ? " message" : " messages") +
         " saved to " + file_name.substr(name_start);
}

void TfrmMain::TMessagesWithoutWaitCursor::ShowMessage(TMessageBoxKind kind,
                                                       const std::string& text) {
  const bool busy = form_.busy_ > 0;
  if (busy)
    form_.services_.Window.SetBusy(false);
  form_.services_.Messages.ShowMessage(kind, text);
  if (busy)
    form_.services_.Window.SetBusy(true);
}

TfrmMain::TWaitCursor::TWaitCursor(TfrmMain& form) : form_(form) {
  if (form_.busy_++ == 0)
    form_.services_.Window.SetBusy(true);
}

TfrmMain::TWaitCursor::~TWaitCursor() {
  if (--form_.busy_ == 0)
    form_.services_.Window.SetBusy(false);
}

TfrmMain::TfrmMain(const TfrmMainControls& controls, TfrmMainServices services)
    : controls_(controls), services_(std::move(services)) {
  JvDragDrop1.OnDrop = [this](TJvDragDrop& Sender, TPoint Pos,
                              const std::vector<std::string>& Value) {
    JvDragDrop1Drop(Sender, Pos, Value);
  };
}

void TfrmMain::FormCreate() {
  services_.Errors.Guard([&] {
    storePaths = std::make_unique<std::vector<std::string>>();
    ShowBackupFolderNotice();
    DiscoverStores();
  });
}

void TfrmMain::DiscoverStores() {
  const bool opened = DiscoverDatastores(
      services_.Registry,
      [&](const TDiscoveredDatastore& store) {
        storePaths->push_back(store.Path);
        controls_.cmboxStores.AddItem(store.Caption, static_cast<int>(storePaths->size()) - 1);
      },
      [&](const std::string& warning) {
        messages_.ShowMessage(TMessageBoxKind::Warning, warning);
      });
  if (!opened) {
    messages_.ShowMessage(TMessageBoxKind::Warning, kDatastoresNotFoundWarning);
    SwitchToManualMode();
    return;
  }
  if (ManualMode())
    return;
  if (controls_.cmboxStores.ItemCount() == 0) {
    SwitchToManualMode();
    return;
  }
  controls_.cmboxStores.SetItemIndex(0);
  ReadPhones();
}

bool TfrmMain::ReadPhones() {
  // Noted first: a message box of the read may take the focus from the edit box, whose exit
  // handler must then see this path as read.
  readPath_ = CurrentDatastorePath();
  TWaitCursor busy(*this);
  if (!RefreshPhoneList(readPath_, controls_.cmboxMobile, messages_).Replaced)
    return false;
  phonesPath_ = readPath_;
  return true;
}

void TfrmMain::ShowBackupFolderNotice() {
  const std::string notice = BackupFolderNotice(services_.OutputDirectory);
  services_.Window.ShowNotice(notice, notice);
}

void TfrmMain::FormDestroy() {
  services_.Errors.Guard([&] { storePaths.reset(); });
}

void TfrmMain::FormKeyPress(char& Key) {
  services_.Errors.Guard([&] {
    if (Key == 27)
      services_.Window.Close();
  });
}

void TfrmMain::cmdOpenClick() {
  services_.Errors.Guard([&] {
    ShowBackupFolderNotice();
    if (!controls_.od.Execute())
      return;
    controls_.txtStore.SetText(controls_.od.FileName());
    ReadPhones();
  });
}

void TfrmMain::cmboxStoresChange() {
  services_.Errors.Guard([&] {
    ShowBackupFolderNotice();
    ReadPhones();
  });
}

void TfrmMain::cmdConvertClick() {
  services_.Errors.Guard([&] {
    ShowBackupFolderNotice();
    // Phones read from another file would be looked up in this one, and a backup that looks made
    // but holds nothing would be the result.
    const std::string path = CurrentDatastorePath();
    if (phonesPath_ != path && !ReadPhones())
      return;
    TExportResult result;
    {
      TWaitCursor busy(*this);
      result = ExportSmsBackup(path, controls_.cmboxMobile.ItemIndex(),
                               controls_.cmboxMobile.Text(), messages_, services_.OutputDirectory);
    }
    if (result.Written)
      services_.Window.ShowNotice(ConversionNotice(result.MessageCount, result.FileName),
                                  result.FileName);
  });
}

void TfrmMain::JvDragDrop1Drop(TJvDragDrop&, TPoint, const std::vector<std::string>& Value) {
  services_.Errors.Guard([&] {
    if (Value.empty())
      return;
    ShowBackupFolderNotice();
    controls_.txtStore.SetText(Value.front());
    SwitchToManualMode();
    ReadPhones();
  });
}

void TfrmMain::txtStoreKeyPress(char& Key) {
  services_.Errors.Guard([&] {
    if (Key == 13)
      ReadPhones();
  });
}

void TfrmMain::txtStoreExit() {
  services_.Errors.Guard([&] {
    if (CurrentDatastorePath() != readPath_)
      ReadPhones();
  });
}

void TfrmMain::OpenGivenDatastore(const std::string& path) {
  services_.Errors.Guard([&] {
    const std::string full_path = FullPathName(path);
    SwitchToManualMode();
    controls_.txtStore.SetText(full_path.empty() ? path : full_path);
    ReadPhones();
  });
}

std::string TfrmMain::CurrentDatastorePath() const {
  if (!ManualMode()) {
    const int index = controls_.cmboxStores.ItemIndex();
    if (index < 0 || storePaths == nullptr)
      return std::string();
    const int entry = controls_.cmboxStores.ItemData(index);
    if (entry < 0 || static_cast<size_t>(entry) >= storePaths->size())
      return std::string();
    return (*storePaths)[static_cast<size_t>(entry)];
  }
  return TrimBlanksAndControls(controls_.txtStore.Text());
}

void TfrmMain::SwitchToManualMode() {
  controls_.cmboxStores.SetVisible(false);
  controls_.txtStore.SetVisible(true);
  controls_.cmdOpen.SetVisible(true);
}

std::vector<std::string> TfrmMain::StorePaths() const {
  return storePaths != nullptr ? *storePaths : std::vector<std::string>();
}

}  // namespace velmorra
