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
    DiscoverStores();
  });
}

void TfrmMain::DiscoverStores() {
  const bool opened =
      DiscoverDatastores(services_.Registry, [&](const TDiscoveredDatastore& store) {
        storePaths->push_back(store.Path);
        controls_.cmboxStores.AddItem(store.Caption, static_cast<int>(storePaths->size()) - 1);
      });
  if (!opened) {
    services_.Messages.ShowMessage(TMessageBoxKind::Warning, kDatastoresNotFoundWarning);
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
  if (!RefreshPhoneList(readPath_, controls_.cmboxMobile, services_.Messages).Replaced)
    return false;
  phonesPath_ = readPath_;
  return true;
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
    if (!controls_.od.Execute())
      return;
    controls_.txtStore.SetText(controls_.od.FileName());
    ReadPhones();
  });
}

void TfrmMain::cmboxStoresChange() {
  services_.Errors.Guard([&] { ReadPhones(); });
}

void TfrmMain::cmdConvertClick() {
  services_.Errors.Guard([&] {
    // Phones read from another file would be looked up in this one, and a backup that looks made
    // but holds nothing would be the result.
    const std::string path = CurrentDatastorePath();
    if (phonesPath_ != path && !ReadPhones())
      return;
    ExportSmsBackup(path, controls_.cmboxMobile.ItemIndex(), controls_.cmboxMobile.Text(),
                    services_.Messages, services_.OutputDirectory);
  });
}

void TfrmMain::JvDragDrop1Drop(TJvDragDrop&, TPoint, const std::vector<std::string>& Value) {
  services_.Errors.Guard([&] {
    if (Value.empty())
      return;
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
