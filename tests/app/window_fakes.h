#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/controls.h"
#include "app/drag_drop.h"
#include "app/error_report.h"
#include "app/main_window.h"
#include "app/work_thread.h"
#include "export/datastore_file.h"
#include "export/phone_list.h"
#include "platform/message_box.h"
#include "xml/file_errors.h"

// Stand-ins for what the window works with, shared by the tests of its logic and of both toolkits'
// windows: controls, dialogs, the error report's dialog and file, the runner of its work, and
// datastores that its reads find without files.

namespace velmorra::testing {

// Everything the window does, in order, as one line per effect.
using TEventLog = std::vector<std::string>;

inline std::string MessageLine(TMessageBoxKind kind, const std::string& text) {
  return std::string(kind == TMessageBoxKind::Error ? "Error: " : "Warning: ") + text;
}

class TRecordingMessages : public IMessageBoxes {
 public:
  explicit TRecordingMessages(TEventLog& log) : log_(log) {}
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override {
    log_.push_back(MessageLine(kind, text));
  }

 private:
  TEventLog& log_;
};

class TRecordingErrorDialog : public IErrorDialog {
 public:
  explicit TRecordingErrorDialog(TEventLog& log) : log_(log) {}
  TErrorChoice ShowError(const std::string& message) override {
    log_.push_back("Error report: " + message);
    return Choice;
  }
  TErrorChoice Choice = TErrorChoice::Continue;

 private:
  TEventLog& log_;
};

class TMemoryReportFile : public IReportFile {
 public:
  std::string LocalTimeText() override { return "2024-05-01 12:30:00"; }
  void Append(const std::string& file_name, const std::string& text) override {
    Files[file_name] += text;
  }
  std::map<std::string, std::string> Files;
};

// An open dialog that answers from a queue: a file name confirms, nothing cancels.
class TScriptedOpenDialog : public IOpenDialog {
 public:
  explicit TScriptedOpenDialog(TEventLog& log) : log_(log) {}
  bool Execute() override {
    log_.push_back("od.Execute");
    if (Answers.empty())
      throw std::logic_error("the open dialog was not expected");
    std::string answer = Answers.front();
    Answers.pop_front();
    if (answer.empty())
      return false;
    file_name_ = answer;
    return true;
  }
  std::string FileName() const override { return file_name_; }
  std::deque<std::string> Answers;  // "" cancels

 private:
  TEventLog& log_;
  std::string file_name_;
};

// The fake controls note their changes in a log, and a fresh one may be assigned over a used one.
class TFakeVisibility : public IControlVisibility {
 public:
  TFakeVisibility(TEventLog& log, std::string name, bool visible)
      : log_(&log), name_(std::move(name)), visible_(visible) {}
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override {
    visible_ = visible;
    log_->push_back(name_ + (visible ? ".Show" : ".Hide"));
  }

 private:
  TEventLog* log_;
  std::string name_;
  bool visible_;
};

class TFakeEdit : public IEditBox {
 public:
  explicit TFakeEdit(TEventLog& log) : visibility_(log, "txtStore", false), log_(&log) {}
  bool Visible() const override { return visibility_.Visible(); }
  void SetVisible(bool visible) override { visibility_.SetVisible(visible); }
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override {
    text_ = text;
    log_->push_back("txtStore.Text=" + text);
  }
  void Type(const std::string& text) { text_ = text; }  // the user's typing

 private:
  TFakeVisibility visibility_;
  TEventLog* log_;
  std::string text_;
};

class TFakeStores : public IItemComboBox {
 public:
  explicit TFakeStores(TEventLog& log) : visibility_(log, "cmboxStores", true), log_(&log) {}
  bool Visible() const override { return visibility_.Visible(); }
  void SetVisible(bool visible) override { visibility_.SetVisible(visible); }
  void AddItem(const std::string& caption, int data, const std::string& tooltip) override {
    items_.push_back({caption, data, tooltip});
    log_->push_back("cmboxStores.Add " + caption + "=" + std::to_string(data));
  }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override { return items_.at(index).Caption; }
  int ItemData(int index) const override { return items_.at(index).Data; }
  std::string Tooltip(int index) const { return items_.at(index).Tooltip; }
  int ItemIndex() const override { return index_; }
  void SetItemIndex(int index) override {
    index_ = index;
    log_->push_back("cmboxStores.Select " + std::to_string(index));
  }

 private:
  struct TItem {
    std::string Caption;
    int Data;
    std::string Tooltip;
  };
  TFakeVisibility visibility_;
  TEventLog* log_;
  std::vector<TItem> items_;
  int index_ = -1;
};

class TFakePhones : public IPhoneList {
 public:
  explicit TFakePhones(TEventLog& log) : log_(&log) {}
  void Clear() override {
    items_.clear();
    index_ = -1;
    log_->push_back("cmboxMobile.Clear");
  }
  void AddItem(const std::string& caption) override { items_.push_back(caption); }
  void SetItemIndex(int index) override { index_ = index; }
  int ItemIndex() const override { return index_; }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override { return items_.at(index); }
  std::string Text() const override { return index_ < 0 ? "" : items_.at(index_); }
  const std::vector<std::string>& Items() const { return items_; }

 private:
  TEventLog* log_;
  std::vector<std::string> items_;
  int index_ = -1;
};

class TFakeDrop : public IDroppedFiles {
 public:
  explicit TFakeDrop(std::vector<std::string> names) : names_(std::move(names)) {}
  unsigned Count() override { return static_cast<unsigned>(names_.size()); }
  size_t NameLength(unsigned index) override { return names_[index].size(); }
  size_t ReadName(unsigned index, char* buffer, size_t size) override {
    const size_t copied = std::min(size - 1, names_[index].size());
    std::memcpy(buffer, names_[index].data(), copied);
    buffer[copied] = '\0';
    return copied;
  }
  TPoint Point() override { return {5, 6}; }
  void Finish() override {}

 private:
  std::vector<std::string> names_;
};

inline const char* WorkStateName(TWorkState state) {
  switch (state) {
    case TWorkState::Idle:
      return "idle";
    case TWorkState::ReadingPhones:
      return "reading phones";
    case TWorkState::Converting:
      return "converting";
  }
  return "?";
}

// A work runner and the window's thread in one, turned by the test: Start and Post only keep
// their work and tasks; RunWork runs the works kept, RunPosted the tasks, Settle both until none
// is left. Wait runs the works kept, as the end of a thread does.
class TFakeWorkLoop : public IWorkRunner {
 public:
  void Start(std::function<void()> work) override { works_.push_back(std::move(work)); }
  void Wait() override { RunWork(); }
  void Post(std::function<void()> task) { posted_.push_back(std::move(task)); }

  void RunWork() { RunAll(works_); }
  void RunPosted() { RunAll(posted_); }
  void Settle() {
    while (!works_.empty() || !posted_.empty()) {
      RunWork();
      RunPosted();
    }
  }

 private:
  static void RunAll(std::deque<std::function<void()>>& queue) {
    while (!queue.empty()) {
      std::function<void()> next = std::move(queue.front());
      queue.pop_front();
      next();
    }
  }

  std::deque<std::function<void()>> works_;
  std::deque<std::function<void()>> posted_;
};

class TFakeWindow : public IFormWindow {
 public:
  TFakeWindow(TEventLog& log, TFakeWorkLoop& loop) : log_(log), loop_(loop) {}
  void Close() override { log_.push_back("Close"); }
  void ShowWorkState(TWorkState state) override { States.push_back(WorkStateName(state)); }
  void ShowNotice(const std::string& text, const std::string& tooltip) override {
    Notice = text;
    NoticeTooltip = tooltip;
    Notices.push_back(text);
  }
  void Post(std::function<void()> task) override { loop_.Post(std::move(task)); }

  std::string Notice;
  std::string NoticeTooltip;
  std::vector<std::string> Notices;  // every text shown, in order
  std::vector<std::string> States;   // every work state shown, in order

 private:
  TEventLog& log_;
  TFakeWorkLoop& loop_;
};

// Datastores as the window's reads find them, without any file: a path in Stores reads as its
// phones (or fails with its ReadError, as a file that is no datastore does); any other path has
// no file. Reads and exports are noted in Calls; DuringExport, when set, runs inside each export
// with its progress, before the export decides. Safe to use from a work thread.
class TFakeDatastores {
 public:
  struct TStore {
    std::vector<std::string> Phones;
    std::string ReadError;  // the message of a file that is no datastore
    int Messages = 3;       // in the backup of any phone
  };

  TDatastoreReads Reads() {
    return {[this](const std::string& path, IPhoneList& list, IMessageBoxes& messages,
                   TWorkProgress& progress) { return ReadPhones(path, list, messages, progress); },
            [this](const std::string& path, int index, const std::string& text,
                   IMessageBoxes& messages, const std::string& output, TWorkProgress& progress) {
              return Export(path, index, text, messages, output, progress);
            }};
  }
  // A datastore at `path` with `phones`, or that is no datastore when `read_error` is given.
  void Add(const std::string& path, std::vector<std::string> phones,
           const std::string& read_error = "") {
    Stores[path].Phones = std::move(phones);
    Stores[path].ReadError = read_error;
  }
  // The reads and exports so far, which are forgotten.
  std::vector<std::string> TakeCalls() {
    const std::lock_guard lock(mutex_);
    return std::exchange(calls_, {});
  }

  std::map<std::string, TStore> Stores;
  // Raised by every export, unless empty: "create", "write" or anything else for a surprise.
  std::string ExportRaises;
  std::function<void(TWorkProgress&)> DuringExport;

 private:
  void Note(const std::string& call) {
    const std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }
  TPhoneListRefresh ReadPhones(const std::string& path, IPhoneList& list, IMessageBoxes& messages,
                               TWorkProgress& progress) {
    Note("read " + path);
    if (progress.Cancelled())
      return {};
    const auto store = Stores.find(path);
    if (store == Stores.end()) {
      messages.ShowMessage(TMessageBoxKind::Error, kDatastoreMissingMessage);
      return {};
    }
    list.Clear();
    list.AddItem(kAllPhonesCaption);
    for (const std::string& phone : store->second.Phones)
      list.AddItem(phone);
    list.SetItemIndex(0);
    return {true, store->second.ReadError};
  }
  TExportResult Export(const std::string& path, int index, const std::string& text,
                       IMessageBoxes& messages, const std::string& output,
                       TWorkProgress& progress) {
    Note("export " + path + " " + std::to_string(index) + " " + text);
    if (DuringExport)
      DuringExport(progress);
    if (progress.Cancelled())
      return {};
    if (ExportRaises == "create")
      throw EFileCreateError("Cannot create file \"" + output + "sms_" + text + ".xml\". Denied");
    if (ExportRaises == "write")
      throw EFileWriteError("Cannot write file \"" + output + "sms_" + text + ".xml\". Full");
    if (!ExportRaises.empty())
      throw std::runtime_error(ExportRaises);
    const auto store = Stores.find(path);
    if (store == Stores.end() || !store->second.ReadError.empty()) {
      messages.ShowMessage(TMessageBoxKind::Error, store == Stores.end() ? kDatastoreMissingMessage
                                                                         : store->second.ReadError);
      return {};
    }
    return {true, output + "sms_" + text + ".xml", store->second.Messages};
  }

  std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace velmorra::testing
