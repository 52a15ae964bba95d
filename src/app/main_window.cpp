#include "app/main_window.h"

#include <utility>

#include "app/datastore_discovery.h"
#include "app/datastore_path.h"
#include "app/window_notices.h"
#include "export/memory_phone_list.h"
#include "platform/file_system.h"
#include "platform/program_directory.h"

namespace velmorra {

namespace {

// How often at most the notice shows how far a conversion has got.
constexpr int64_t kProgressPeriodMicroseconds = 250 * 1000;

// Discovery's warning as the notice says it: its first line, the whole of it in the tooltip.
std::pair<std::string, std::string> WarningNotice() {
  const std::string warning = kDatastoresNotFoundWarning;
  const size_t line_end = warning.find('\r');
  const std::string first_line = warning.substr(0, line_end);
  return {first_line, first_line + "\n" + warning.substr(line_end + 2)};
}

}  // namespace

TDatastoreReads DatastoreReads() {
  return {[](const std::string& file, IPhoneList& list, IMessageBoxes& messages,
             TWorkProgress& progress) { return RefreshPhoneList(file, list, messages, &progress); },
          [](const std::string& file, int index, const std::string& text, IMessageBoxes& messages,
             const std::string& output, TWorkProgress& progress) {
            return ExportSmsBackup(file, index, text, messages, output, &progress);
          }};
}

TfrmMainServices WindowLogicServices(const TWindowServices& services, IFormWindow& window,
                                     IMessageBoxes& own_messages, IWorkRunner& own_runner,
                                     bool warning_in_notice) {
  return {.Window = window,
          .Messages = services.Messages ? *services.Messages : own_messages,
          .Registry = services.Registry,
          .Errors = services.Errors,
          .Runner = services.Runner ? *services.Runner : own_runner,
          .Reads = services.Reads.value_or(DatastoreReads()),
          .OutputDirectory = services.OutputDirectory,
          .GivenDatastore = services.GivenDatastore,
          .WarningInNotice = warning_in_notice};
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
    SetNotice(BackupFolder());
    // The datastore the user named is what counts: discovery, and what it would say, is skipped.
    if (!services_.GivenDatastore.empty()) {
      OpenGivenDatastore(services_.GivenDatastore);
      return;
    }
    DiscoverStores();
  });
}

void TfrmMain::DiscoverStores() {
  const bool opened = DiscoverDatastores(
      services_.Registry,
      [&](const TDiscoveredDatastore& store) {
        storePaths->push_back(store.Path);
        controls_.cmboxStores.AddItem(store.Caption, static_cast<int>(storePaths->size()) - 1,
                                      store.Path);
      },
      [&](const std::string& warning) {
        services_.Messages.ShowMessage(TMessageBoxKind::Warning, warning);
      });
  if (!opened) {
    if (services_.WarningInNotice) {
      const auto [text, tooltip] = WarningNotice();
      SetNotice({text, tooltip});
    } else {
      services_.Messages.ShowMessage(TMessageBoxKind::Warning, kDatastoresNotFoundWarning);
    }
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
  ReadPhones(notice_);
}

// As a file confirmed in the open dialog: manual mode, its full path in the edit box.
void TfrmMain::OpenGivenDatastore(const std::string& path) {
  const std::string full_path = FullPathName(path);
  SwitchToManualMode();
  controls_.txtStore.SetText(full_path.empty() ? path : full_path);
  ReadPhones(BackupFolder());
}

TfrmMain::TNotice TfrmMain::BackupFolder() const {
  const std::string notice = BackupFolderNotice(services_.OutputDirectory);
  return {notice, notice, true};
}

void TfrmMain::SetNotice(TNotice notice) {
  notice_ = std::move(notice);
  RestoreNotice();
}

void TfrmMain::ShowPassingNotice(const std::string& text, const std::string& tooltip) {
  services_.Window.ShowNotice(text, tooltip);
}

void TfrmMain::RestoreNotice() {
  services_.Window.ShowNotice(notice_.Text, notice_.Tooltip);
}

void TfrmMain::StartWork(TWorkState state, bool show_rows, TWork work) {
  const uint64_t work_id = ++work_id_;
  work_state_ = state;
  progress_ = std::make_shared<TWorkProgress>();
  if (show_rows)
    ShowRowsOf(*progress_, work_id);
  services_.Window.ShowWorkState(state);
  IFormWindow& window = services_.Window;
  services_.Runner.Start([this, &window, work_id, progress = progress_, work = std::move(work)] {
    std::function<void()> ended = work(*progress);
    // Only for the work under way: after a cancel the window is going and waits for nothing.
    window.Post([this, work_id, ended = std::move(ended)] {
      if (work_id != work_id_ || progress_ == nullptr || progress_->Cancelled())
        return;
      EndWork();
      ended();
    });
  });
}

void TfrmMain::EndWork() {
  work_state_ = TWorkState::Idle;
  progress_.reset();
  services_.Window.ShowWorkState(TWorkState::Idle);
}

void TfrmMain::ShowRowsOf(TWorkProgress& progress, uint64_t work_id) {
  // Both calls come from the thread of the reading, one after the other.
  struct TPace {
    int64_t Total = -1;
    std::optional<int64_t> ShownAt;
  };
  auto pace = std::make_shared<TPace>();
  IFormWindow& window = services_.Window;
  auto show = [this, &window, work_id](int64_t done, int64_t total) {
    window.Post([this, work_id, done, total] {
      if (work_id == work_id_ && progress_ != nullptr && !progress_->Cancelled())
        ShowPassingNotice(ConvertingNotice(done, total), "");
    });
  };
  progress.Total = [pace, show](int64_t rows) {
    pace->Total = rows;
    show(0, rows);
  };
  progress.Done = [pace, show, clock = services_.Clock](int64_t rows) {
    // The last batch is always shown: it stays while the file is written.
    const int64_t now = clock();
    if (rows != pace->Total && pace->ShownAt && now - *pace->ShownAt < kProgressPeriodMicroseconds)
      return;
    pace->ShownAt = now;
    show(rows, pace->Total);
  };
}

void TfrmMain::ReadPhones(const TNotice& notice) {
  const std::string path = CurrentDatastorePath();
  // Noted first: the exit handler of the edit box must see this path as read.
  readPath_ = path;
  phonesPath_.reset();
  controls_.cmboxMobile.Clear();
  SetNotice(notice);
  ShowPassingNotice(ReadingNotice(path), path);
  StartWork(TWorkState::ReadingPhones, false,
            [this, path, read = services_.Reads.ReadPhones](TWorkProgress& progress) {
              auto phones = std::make_shared<TMemoryPhoneList>();
              TRecordedMessages messages;
              TPhoneListRefresh refresh;
              const TEscapedError error =
                  RunCatching([&] { refresh = read(path, *phones, messages, progress); });
              return [this, path, phones, refresh, message = messages.FirstText(), error] {
                PhonesRead(path, *phones, refresh, message, error);
              };
            });
}

void TfrmMain::PhonesRead(const std::string& path, const IPhoneList& phones,
                          const TPhoneListRefresh& refresh, const std::string& message,
                          const TEscapedError& error) {
  const bool convert = std::exchange(convert_after_read_, false);
  if (error.Kind != TEscapedError::TKind::None) {
    RestoreNotice();
    services_.Errors.Report(error.Text);
    return;
  }
  std::string failure = message;
  if (refresh.Replaced) {
    for (int i = 0; i < phones.ItemCount(); ++i)
      controls_.cmboxMobile.AddItem(phones.Item(i));
    controls_.cmboxMobile.SetItemIndex(phones.ItemIndex());
    phonesPath_ = path;
    failure = refresh.ReadError;
  }
  if (failure.empty()) {
    RestoreNotice();
    if (convert)
      StartExport();
    return;
  }
  // Said at once, in the words the export would use; a Convert that waited for it says it aloud.
  SetNotice({failure, path});
  if (convert)
    services_.Messages.ShowMessage(TMessageBoxKind::Error, failure);
}

void TfrmMain::StartExport() {
  const std::string path = CurrentDatastorePath();
  const int index = controls_.cmboxMobile.ItemIndex();
  const std::string text = controls_.cmboxMobile.Text();
  const bool name_folder = !notice_.NamesOutputFolder;
  ShowPassingNotice(ConvertingNotice(0, -1), "");
  StartWork(TWorkState::Converting, true,
            [this, path, index, text, name_folder, output = services_.OutputDirectory,
             convert = services_.Reads.Export](TWorkProgress& progress) {
              TExportResult result;
              auto messages = std::make_shared<TRecordedMessages>();
              const TEscapedError error = RunCatching(
                  [&] { result = convert(path, index, text, *messages, output, progress); });
              return [this, result, messages, error, name_folder] {
                ExportEnded(result, *messages, error, name_folder);
              };
            });
}

void TfrmMain::ExportEnded(const TExportResult& result, const TRecordedMessages& messages,
                           const TEscapedError& error, bool name_folder) {
  using TKind = TEscapedError::TKind;
  if (result.Written) {
    SetNotice({ConversionNotice(result.MessageCount, result.FileName, name_folder), result.FileName,
               true});
    return;
  }
  RestoreNotice();
  if (error.Kind == TKind::FileCreate || error.Kind == TKind::FileWrite) {
    const bool program_folder = services_.OutputDirectory == ProgramDirectory();
    services_.Messages.ShowMessage(
        TMessageBoxKind::Error,
        BackupFileErrorMessage(error.Text, error.Kind == TKind::FileWrite, program_folder));
  } else if (error.Kind == TKind::Surprise) {
    services_.Errors.Report(error.Text);
  } else {
    messages.ShowIn(services_.Messages);
  }
}

void TfrmMain::FormClose() {
  services_.Errors.Guard([&] {
    convert_after_read_ = false;
    if (progress_ != nullptr)
      progress_->Cancel();
  });
}

void TfrmMain::FormDestroy() {
  FormClose();
  services_.Errors.Guard([&] {
    services_.Runner.Wait();
    storePaths.reset();
  });
}

void TfrmMain::FormKeyPress(char& Key) {
  services_.Errors.Guard([&] {
    if (Key == 27)
      services_.Window.Close();
  });
}

void TfrmMain::cmdOpenClick() {
  services_.Errors.Guard([&] {
    if (Working() || !controls_.od.Execute())
      return;
    controls_.txtStore.SetText(controls_.od.FileName());
    ReadPhones(BackupFolder());
  });
}

void TfrmMain::cmboxStoresChange() {
  services_.Errors.Guard([&] {
    if (Working())
      return;
    const int index = controls_.cmboxStores.ItemIndex();
    const std::string path = CurrentDatastorePath();
    if (index < 0)
      return;
    ReadPhones({PickedDatastoreNotice(controls_.cmboxStores.Item(index), path), path});
  });
}

void TfrmMain::cmdConvertClick() {
  services_.Errors.Guard([&] {
    if (work_state_ == TWorkState::ReadingPhones) {
      convert_after_read_ = true;
      return;
    }
    if (Working())
      return;
    // Phones read from another file would be looked up in this one, and a backup that looks made
    // but holds nothing would be the result.
    if (phonesPath_ != CurrentDatastorePath()) {
      convert_after_read_ = true;
      ReadPhones(BackupFolder());
      return;
    }
    StartExport();
  });
}

void TfrmMain::JvDragDrop1Drop(TJvDragDrop&, TPoint, const std::vector<std::string>& Value) {
  services_.Errors.Guard([&] {
    if (Value.empty() || Working())
      return;
    controls_.txtStore.SetText(Value.front());
    SwitchToManualMode();
    ReadPhones(BackupFolder());
  });
}

void TfrmMain::txtStoreKeyPress(char& Key) {
  services_.Errors.Guard([&] {
    if (Key == 13 && !Working())
      ReadPhones(BackupFolder());
  });
}

void TfrmMain::txtStoreExit() {
  services_.Errors.Guard([&] {
    const std::string path = CurrentDatastorePath();
    if (!Working() && !path.empty() && path != readPath_)
      ReadPhones(BackupFolder());
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
  return DatastorePathFromText(controls_.txtStore.Text());
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
