#include "app/main_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/datastore_discovery.h"
#include "datastore_folder.h"
#include "fake_registry.h"
#include "support/temp_directory.h"
#include "window_fakes.h"
#ifndef _WIN32
#include "wine_prefix.h"
#endif

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace velmorra::testing;

const std::string kStores = kDatastoresKey;

class TFakeVisibility : public IControlVisibility {
 public:
  TFakeVisibility(TEventLog& log, std::string name, bool visible)
      : log_(log), name_(std::move(name)), visible_(visible) {}
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override {
    visible_ = visible;
    log_.push_back(name_ + (visible ? ".Show" : ".Hide"));
  }

 protected:
  TEventLog& log_;
  std::string name_;
  bool visible_;
};

class TFakeEdit : public IEditBox {
 public:
  explicit TFakeEdit(TEventLog& log) : visibility_(log, "txtStore", false), log_(log) {}
  bool Visible() const override { return visibility_.Visible(); }
  void SetVisible(bool visible) override { visibility_.SetVisible(visible); }
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override {
    text_ = text;
    log_.push_back("txtStore.Text=" + text);
  }
  void Type(const std::string& text) { text_ = text; }  // the user's typing

 private:
  TFakeVisibility visibility_;
  TEventLog& log_;
  std::string text_;
};

class TFakeStores : public IItemComboBox {
 public:
  explicit TFakeStores(TEventLog& log) : visibility_(log, "cmboxStores", true), log_(log) {}
  bool Visible() const override { return visibility_.Visible(); }
  void SetVisible(bool visible) override { visibility_.SetVisible(visible); }
  void AddItem(const std::string& caption, int data) override {
    items_.emplace_back(caption, data);
    log_.push_back("cmboxStores.Add " + caption + "=" + std::to_string(data));
  }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override { return items_.at(index).first; }
  int ItemData(int index) const override { return items_.at(index).second; }
  int ItemIndex() const override { return index_; }
  void SetItemIndex(int index) override {
    index_ = index;
    log_.push_back("cmboxStores.Select " + std::to_string(index));
  }

 private:
  TFakeVisibility visibility_;
  TEventLog& log_;
  std::vector<std::pair<std::string, int>> items_;
  int index_ = -1;
};

class TFakePhones : public IPhoneList {
 public:
  explicit TFakePhones(TEventLog& log) : log_(log) {}
  void Clear() override {
    items_.clear();
    index_ = -1;
    log_.push_back("cmboxMobile.Clear");
  }
  void AddItem(const std::string& caption) override { items_.push_back(caption); }
  void SetItemIndex(int index) override { index_ = index; }
  int ItemIndex() const override { return index_; }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override { return items_.at(index); }
  std::string Text() const override { return index_ < 0 ? "" : items_.at(index_); }
  const std::vector<std::string>& Items() const { return items_; }

 private:
  TEventLog& log_;
  std::vector<std::string> items_;
  int index_ = -1;
};

class TFakeWindow : public IFormWindow {
 public:
  explicit TFakeWindow(TEventLog& log) : log_(log) {}
  void Close() override { log_.push_back("Close"); }
  void SetBusy(bool busy) override {
    if (CursorLog != nullptr)
      CursorLog->push_back(busy ? "wait cursor" : "normal cursor");
  }
  void ShowNotice(const std::string& text, const std::string& tooltip) override {
    Notice = text;
    NoticeTooltip = tooltip;
  }
  std::string Notice;
  std::string NoticeTooltip;
  TEventLog* CursorLog = nullptr;  // where cursor changes go, when anywhere

 private:
  TEventLog& log_;
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

// The window's logic over fake controls; everything it does lands in Log.
class MainWindowTest : public ::testing::Test {
 protected:
  TfrmMain& Form(IRegistry& registry) {
    form_ = std::make_unique<TfrmMain>(
        TfrmMainControls{Stores, Edit, Open, Phones, Dialog},
        TfrmMainServices{Window, Messages, registry, Errors, OutputDirectory});
    return *form_;
  }
  TfrmMain& Created(IRegistry& registry) {
    TfrmMain& form = Form(registry);
    form.FormCreate();
    Log.clear();
    return form;
  }
  void Drop(TfrmMain& form, const std::vector<std::string>& names) {
    TFakeDrop drop(names);
    form.JvDragDrop1.HandleDrop(drop);
  }

  TEventLog Log;
  TFakeStores Stores{Log};
  TFakeEdit Edit{Log};
  TFakeVisibility Open{Log, "cmdOpen", false};
  TFakePhones Phones{Log};
  TScriptedOpenDialog Dialog{Log};
  TFakeWindow Window{Log};
  TRecordingMessages Messages{Log};
  TRecordingErrorDialog ErrorDialog{Log};
  TMemoryReportFile ReportFile;
  TTempDirectory Output;
  std::string OutputDirectory = Output.Path();
  TTempDirectory Stores1;
  TTempDirectory Stores2;
  TErrorReport Errors{ErrorDialog, ReportFile, Output.Path(), [] {}};
  TFakeRegistry Registry;
  std::unique_ptr<TfrmMain> form_;
};

const char kMissingFile[] = "Error: Datastore file doesn't exist.";

TEST_F(MainWindowTest, StartWithoutTheKeyWarnsThenSwitchesToManualMode) {
  TfrmMain& form = Form(Registry);
  form.FormCreate();
  EXPECT_THAT(Log, ElementsAre(std::string("Warning: ") + kDatastoresNotFoundWarning,
                               "cmboxStores.Hide", "txtStore.Show", "cmdOpen.Show"));
  EXPECT_TRUE(form.ManualMode());
  EXPECT_EQ(form.CurrentDatastorePath(), "");
  EXPECT_EQ(Phones.ItemCount(), 0);
}

TEST_F(MainWindowTest, StartWithNoUsableDatastoreSwitchesToManualModeSilently) {
  Registry.Key(kStores + "\\A");
  Registry.SetString(kStores + "\\B", "DatastorePath", "");
  TfrmMain& form = Form(Registry);
  form.FormCreate();
  EXPECT_THAT(Log, ElementsAre("cmboxStores.Hide", "txtStore.Show", "cmdOpen.Show"));
  EXPECT_TRUE(form.ManualMode());
}

TEST_F(MainWindowTest, StartWithDatastoresSelectsTheFirstAndReadsItsPhones) {
  const std::string first = MakeDatastore(Stores1.Path(), {"111", "222", "111"});
  const std::string second = MakeDatastore(Stores2.Path(), {"333"});
  Registry.Key(kStores + "\\Unusable");
  Registry.SetString(kStores + "\\One", "DatastorePath", Stores1.Path());
  Registry.SetString(kStores + "\\Two", "DatastorePath", Stores2.Path());
  TfrmMain& form = Form(Registry);
  form.FormCreate();

  EXPECT_THAT(Log, ElementsAre("cmboxStores.Add Datastore 2=0", "cmboxStores.Add Datastore 3=1",
                               "cmboxStores.Select 0", "cmboxMobile.Clear"));
  EXPECT_FALSE(form.ManualMode());
  EXPECT_THAT(form.StorePaths(), ElementsAre(first, second));
  EXPECT_EQ(form.CurrentDatastorePath(), first);
  EXPECT_THAT(Phones.Items(), ElementsAre("All Phones", "111", "222"));
  EXPECT_EQ(Phones.ItemIndex(), 0);
}

TEST_F(MainWindowTest, MissingFirstDatastoreFileIsReportedAtStart) {
  Registry.SetString(kStores + "\\One", "DatastorePath", Stores1.Path());
  Form(Registry).FormCreate();
  EXPECT_THAT(Log,
              ElementsAre("cmboxStores.Add Datastore 1=0", "cmboxStores.Select 0", kMissingFile));
}

// A registration whose value cannot be read is named in a warning and left out; the others are
// offered as usual.
TEST_F(MainWindowTest, RegistryValueThatCannotBeReadIsNamedAndSkipped) {
  Registry.SetString(kStores + "\\One", "DatastorePath", Stores1.Path());
  Registry.Key(kStores + "\\Two").Values["DatastorePath"] = {registry_type::Binary, "xx"};
  Registry.SetString(kStores + "\\Three", "DatastorePath", Stores2.Path());
  TfrmMain& form = Form(Registry);
  form.FormCreate();

  EXPECT_THAT(Log,
              ElementsAre("cmboxStores.Add Datastore 1=0",
                          "Warning: Invalid data type for 'DatastorePath' in "
                          "HKEY_CURRENT_USER\\Software\\Nokia\\MPlatform\\DataStores\\Two; "
                          "that datastore is left out.",
                          "cmboxStores.Add Datastore 3=1", "cmboxStores.Select 0", kMissingFile));
  EXPECT_FALSE(form.ManualMode());
}

TEST_F(MainWindowTest, TheSelectedItemsDataPicksThePath) {
  Registry.SetString(kStores + "\\One", "DatastorePath", "/one");
  Registry.Key(kStores + "\\Skipped");
  Registry.SetString(kStores + "\\Three", "DatastorePath", "/three");
  TfrmMain& form = Created(Registry);
  EXPECT_EQ(form.CurrentDatastorePath(), "/one/DataBase/MDataStore.db3");
  Stores.SetItemIndex(1);
  EXPECT_EQ(form.CurrentDatastorePath(), "/three/DataBase/MDataStore.db3");
  Stores.SetItemIndex(-1);
  EXPECT_EQ(form.CurrentDatastorePath(), "");
}

TEST_F(MainWindowTest, ManualPathIsTheEditTextWithoutBlanksAndControlsAround) {
  TfrmMain& form = Created(Registry);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/data/MDataStore.db3", "/data/MDataStore.db3"},
      {"  /my data/x.db3 \t", "/my data/x.db3"},
      {" \t \r\n", ""},
      {"", ""},
      {"\x01/x\x7f\x1f", "/x\x7f"},
      {" /caf\xc3\xa9.db3\xc2\xa0 ", "/caf\xc3\xa9.db3\xc2\xa0"},
  };
  for (const auto& [typed, path] : cases) {
    Edit.Type(typed);
    EXPECT_EQ(form.CurrentDatastorePath(), path) << typed;
  }
}

TEST_F(MainWindowTest, ConfirmedOpenSetsTheTextThenReadsThePhones) {
  const std::string store = MakeDatastore(Stores1.Path(), {"444"});
  TfrmMain& form = Created(Registry);
  Dialog.Answers = {"/nowhere/MDataStore.db3", store};
  form.cmdOpenClick();
  EXPECT_THAT(Log,
              ElementsAre("od.Execute", "txtStore.Text=/nowhere/MDataStore.db3", kMissingFile));
  Log.clear();
  form.cmdOpenClick();
  EXPECT_THAT(Log, ElementsAre("od.Execute", "txtStore.Text=" + store, "cmboxMobile.Clear"));
  EXPECT_THAT(Phones.Items(), ElementsAre("All Phones", "444"));
  EXPECT_TRUE(form.ManualMode());
}

TEST_F(MainWindowTest, GivenDatastoreIsOpenedLikeAConfirmedFileInManualMode) {
  MakeDatastore(Stores1.Path(), {"111"});
  Registry.SetString(kStores + "\\One", "DatastorePath", Stores1.Path());
  const std::string given = MakeDatastore(Stores2.Path(), {"555"});
  TfrmMain& form = Created(Registry);
  const std::string relative = std::filesystem::relative(given).string();
  form.OpenGivenDatastore(relative);
  EXPECT_THAT(Log, ElementsAre("cmboxStores.Hide", "txtStore.Show", "cmdOpen.Show",
                               "txtStore.Text=" + given, "cmboxMobile.Clear"));
  EXPECT_THAT(Phones.Items(), ElementsAre("All Phones", "555"));

  Log.clear();
  form.OpenGivenDatastore("/nowhere/MDataStore.db3");
  EXPECT_THAT(Log, ElementsAre("cmboxStores.Hide", "txtStore.Show", "cmdOpen.Show",
                               "txtStore.Text=/nowhere/MDataStore.db3", kMissingFile));
}

TEST_F(MainWindowTest, ConversionSaysWhatItWroteUntilTheNextActionUnderTheWaitCursor) {
  const std::string store = MakeDatastore(Stores1.Path(), {"111", "222"});
  TfrmMain& form = Created(Registry);
  EXPECT_EQ(Window.Notice, "Backups are saved in " + OutputDirectory);
  Edit.Type(store);
  Phones.AddItem("All Phones");
  Phones.SetItemIndex(0);
  Log.clear();
  Window.CursorLog = &Log;
  form.cmdConvertClick();
  // The typed path's phones are read first, then the export runs: each under the wait cursor.
  EXPECT_THAT(Log, ElementsAre("wait cursor", "cmboxMobile.Clear", "normal cursor", "wait cursor",
                               "normal cursor"));
  EXPECT_EQ(Window.Notice, "2 messages saved to sms_All Phones.xml");
  EXPECT_EQ(Window.NoticeTooltip, OutputDirectory + "sms_All Phones.xml");

  // The next action puts the folder back; a message box shows over the normal cursor.
  Edit.Type(Stores1.File("missing.db3"));
  Log.clear();
  form.cmdConvertClick();
  EXPECT_THAT(Log, ElementsAre("wait cursor", "normal cursor", kMissingFile, "wait cursor",
                               "normal cursor"));
  EXPECT_EQ(Window.Notice, "Backups are saved in " + OutputDirectory);
  EXPECT_EQ(ConversionNotice(1, OutputDirectory + "sms_1.xml"), "1 message saved to sms_1.xml");
}

TEST_F(MainWindowTest, CancelledOpenChangesNothing) {
  TfrmMain& form = Created(Registry);
  Edit.Type("typed");
  Dialog.Answers = {""};
  form.cmdOpenClick();
  EXPECT_THAT(Log, ElementsAre("od.Execute"));
  EXPECT_EQ(Edit.Text(), "typed");
  EXPECT_TRUE(form.ManualMode());
}

TEST_F(MainWindowTest, ChangingTheDatastoreRereadsThePhonesAndResetsTheChoice) {
  MakeDatastore(Stores1.Path(), {"111"});
  MakeDatastore(Stores2.Path(), {"111", "222"});
  Registry.SetString(kStores + "\\One", "DatastorePath", Stores1.Path());
  Registry.SetString(kStores + "\\Two", "DatastorePath", Stores2.Path());
  TfrmMain& form = Created(Registry);
  Phones.SetItemIndex(1);
  Stores.SetItemIndex(1);
  form.cmboxStoresChange();
  EXPECT_THAT(Phones.Items(), ElementsAre("All Phones", "111", "222"));
  EXPECT_EQ(Phones.ItemIndex(), 0);
}

TEST_F(MainWindowTest, DropTakesTheFirstNameAndSwitchesToManualModeForGood) {
  MakeDatastore(Stores1.Path(), {"111"});
  Registry.SetString(kStores + "\\One", "DatastorePath", Stores1.Path());
  TfrmMain& form = Created(Registry);
  const std::string long_name = "/" + std::string(400, 'l') + ".db3";

  Drop(form, {});
  EXPECT_THAT(Log, IsEmpty()) << "an empty drop does nothing";
  Drop(form, {"/first/MDataStore.db3", "/second.db3", "/a/folder"});
  EXPECT_THAT(Log, ElementsAre("txtStore.Text=/first/MDataStore.db3", "cmboxStores.Hide",
                               "txtStore.Show", "cmdOpen.Show", kMissingFile));
  EXPECT_EQ(form.CurrentDatastorePath(), "/first/MDataStore.db3");
  EXPECT_THAT(Phones.Items(), ElementsAre("All Phones", "111")) << "a failed read keeps the list";

  Log.clear();
  Drop(form, {long_name});
  EXPECT_THAT(Log, ElementsAre("txtStore.Text=" + long_name, "cmboxStores.Hide", "txtStore.Show",
                               "cmdOpen.Show", kMissingFile));
  EXPECT_TRUE(form.ManualMode());
  EXPECT_EQ(form.CurrentDatastorePath(), long_name);
}

TEST_F(MainWindowTest, DropReadsThePhonesOfTheDroppedFile) {
  MakeDatastore(Stores1.Path(), {"111"});
  const std::string dropped = MakeDatastore(Stores2.Path(), {"333"});
  Registry.SetString(kStores + "\\One", "DatastorePath", Stores1.Path());
  TfrmMain& form = Created(Registry);
  Phones.SetItemIndex(1);

  Drop(form, {dropped});

  EXPECT_THAT(Log, ElementsAre("txtStore.Text=" + dropped, "cmboxStores.Hide", "txtStore.Show",
                               "cmdOpen.Show", "cmboxMobile.Clear"));
  EXPECT_THAT(Phones.Items(), ElementsAre("All Phones", "333"));
  EXPECT_EQ(Phones.ItemIndex(), 0);
}

TEST_F(MainWindowTest, TypedPathIsReadOnEnterOrOnLeavingTheBoxWithAnotherPath) {
  const std::string store = MakeDatastore(Stores1.Path(), {"444"});
  const std::string missing = Stores2.File("MDataStore.db3");
  struct TStep {
    enum { Type, Key, Exit } Kind;
    std::string Text;  // typed text, or the key
  };
  struct TCase {
    const char* Name;
    std::vector<TStep> Steps;
    std::vector<std::string> Log;
  };
  const std::vector<TCase> cases = {
      {"Enter reads", {{TStep::Type, store}, {TStep::Key, "\r"}}, {"cmboxMobile.Clear"}},
      {"leaving with a new path reads",
       {{TStep::Type, store}, {TStep::Exit, ""}},
       {"cmboxMobile.Clear"}},
      {"leaving after Enter reads no more",
       {{TStep::Type, store}, {TStep::Key, "\r"}, {TStep::Exit, ""}},
       {"cmboxMobile.Clear"}},
      {"the same path with blanks around is no other path",
       {{TStep::Type, store},
        {TStep::Key, "\r"},
        {TStep::Type, " " + store + "\t"},
        {TStep::Exit, ""}},
       {"cmboxMobile.Clear"}},
      {"a path without a file is said once",
       {{TStep::Type, missing}, {TStep::Key, "\r"}, {TStep::Exit, ""}},
       {kMissingFile}},
      {"other keys read nothing",
       {{TStep::Type, store}, {TStep::Key, "a"}, {TStep::Key, "\n"}},
       {}},
      {"leaving the empty box reads nothing", {{TStep::Exit, ""}}, {}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    TfrmMain& form = Created(Registry);
    Edit.Type("");
    for (const TStep& step : test.Steps) {
      if (step.Kind == TStep::Type) {
        Edit.Type(step.Text);
      } else if (step.Kind == TStep::Key) {
        char key = step.Text[0];
        form.txtStoreKeyPress(key);
        EXPECT_EQ(key, step.Text[0]);
      } else {
        form.txtStoreExit();
      }
    }
    EXPECT_EQ(Log, test.Log);
  }
}

TEST_F(MainWindowTest, ConvertExportsOnlyWithThePhonesOfThePathItConverts) {
  MakeDatastore(Stores1.Path(), {"111", "222"});
  const std::string first = Stores1.File("DataBase/MDataStore.db3");
  const std::string second = MakeDatastore(Stores2.Path(), {"333", "333", "444"});
  const std::string missing = Output.File("missing.db3");
  struct TCase {
    const char* Name;
    bool Discovered;     // the first datastore is registered
    std::string Opened;  // a file confirmed in the open dialog first
    int Phone;           // the phone then chosen
    std::string Typed;   // then typed into the edit box, unless empty
    std::vector<std::string> Log;
    std::string Written;  // the backup written, "" for none
    std::string Count;
  };
  const std::vector<TCase> cases = {
      {"a discovered datastore keeps the chosen phone", true, "", 2, "", {}, "sms_222.xml", "1"},
      {"an opened file keeps the chosen phone", false, first, 1, "", {}, "sms_111.xml", "1"},
      {"a typed path is read first",
       false,
       "",
       -1,
       second,
       {"cmboxMobile.Clear"},
       "sms_All Phones.xml",
       "3"},
      {"phones of another file are read again",
       false,
       first,
       1,
       second,
       {"cmboxMobile.Clear"},
       "sms_All Phones.xml",
       "3"},
      {"a path without a file is said once", false, first, 1, missing, {kMissingFile}, "", ""},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    if (test.Discovered)
      Registry.SetString(kStores + "\\One", "DatastorePath", Stores1.Path());
    TfrmMain& form = Created(Registry);
    Registry = TFakeRegistry();
    if (!test.Opened.empty()) {
      Dialog.Answers = {test.Opened};
      form.cmdOpenClick();
    }
    if (test.Phone >= 0)
      Phones.SetItemIndex(test.Phone);
    if (!test.Typed.empty())
      Edit.Type(test.Typed);
    Log.clear();

    form.cmdConvertClick();

    EXPECT_EQ(Log, test.Log);
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(Output.Path())) {
      written.push_back(entry.path().filename().string());
      if (entry.path().filename() == test.Written) {
        EXPECT_THAT(ReadFileBytes(entry.path().string()),
                    HasSubstr("<smses count=\"" + test.Count + "\">"));
      }
      std::filesystem::remove(entry.path());
    }
    EXPECT_EQ(written, test.Written.empty() ? std::vector<std::string>()
                                            : std::vector<std::string>{test.Written});
  }
}

TEST_F(MainWindowTest, EscapeClosesTheWindowAndLeavesTheCharacter) {
  TfrmMain& form = Created(Registry);
  for (char key : {'a', '\r', '\x1a', '\x1c'}) {
    char typed = key;
    form.FormKeyPress(typed);
    EXPECT_EQ(typed, key);
  }
  EXPECT_THAT(Log, IsEmpty());
  char escape = 27;
  form.FormKeyPress(escape);
  EXPECT_EQ(escape, 27);
  EXPECT_THAT(Log, ElementsAre("Close"));
}

TEST_F(MainWindowTest, DestroyingTheWindowDropsTheDatastorePaths) {
  Registry.SetString(kStores + "\\One", "DatastorePath", "/one");
  TfrmMain& form = Created(Registry);
  form.FormDestroy();
  EXPECT_THAT(form.StorePaths(), IsEmpty());
  EXPECT_EQ(form.CurrentDatastorePath(), "");
}

// On Linux the registry is the user.reg file of a Wine prefix.
#ifndef _WIN32
TEST_F(MainWindowTest, WineRegistryWithoutTheKeyGivesTheWarningThenManualMode) {
  TWinePrefix prefix;
  prefix.WriteUserReg("[Software\\\\Wine] 1\n\"Version\"=\"win7\"\n");
  auto registry = OpenCurrentUserRegistry();
  TfrmMain& form = Form(*registry);
  form.FormCreate();
  EXPECT_THAT(Log, ElementsAre(std::string("Warning: ") + kDatastoresNotFoundWarning,
                               "cmboxStores.Hide", "txtStore.Show", "cmdOpen.Show"));
  EXPECT_TRUE(form.ManualMode());
}

#endif

}  // namespace
}  // namespace velmorra
