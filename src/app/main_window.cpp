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
  RefreshPhoneList(CurrentDatastorePath(), controls_.cmboxMobile, services_.Messages);
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
    RefreshPhoneList(CurrentDatastorePath(), controls_.cmboxMobile, services_.Messages);
  });
}

void TfrmMain::cmboxStoresChange() {
  services_.Errors.Guard(
      [&] { RefreshPhoneList(CurrentDatastorePath(), controls_.cmboxMobile, services_.Messages); });
}

void TfrmMain::cmdConvertClick() {
  services_.Errors.Guard([&] {
    ExportSmsBackup(CurrentDatastorePath(), controls_.cmboxMobile.ItemIndex(),
                    controls_.cmboxMobile.Text(), services_.Messages, services_.OutputDirectory);
  });
}

void TfrmMain::JvDragDrop1Drop(TJvDragDrop&, TPoint, const std::vector<std::string>& Value) {
  services_.Errors.Guard([&] {
    if (Value.empty())
      return;
    controls_.txtStore.SetText(Value.front());
    SwitchToManualMode();
  });
}

void TfrmMain::OpenGivenDatastore(const std::string& path) {
  services_.Errors.Guard([&] {
    const std::string full_path = FullPathName(path);
    SwitchToManualMode();
    controls_.txtStore.SetText(full_path.empty() ? path : full_path);
    RefreshPhoneList(CurrentDatastorePath(), controls_.cmboxMobile, services_.Messages);
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
