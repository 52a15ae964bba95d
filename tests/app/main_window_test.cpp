#include "app/main_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/datastore_discovery.h"
#include "app/datastore_path.h"
#include "app/window_command_line.h"
#include "app/window_notices.h"
#include "fake_registry.h"
#include "platform/file_system.h"
#include "platform/program_directory.h"
#include "support/temp_directory.h"
#include "version.h"
#include "window_fakes.h"
#ifndef _WIN32
#include "wine_prefix.h"
#endif

namespace velmorra {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace velmorra::testing;

const std::string kStores = kDatastoresKey;
const char kMissingFile[] = "Datastore file doesn't exist.";

// The datastore file that discovery makes of the registered `folder`.
std::string DiscoveredPath(const std::string& folder) {
  TFakeRegistry registry;
  registry.SetString(kStores + "\\A", "DatastorePath", folder);
  std::string path;
  DiscoverDatastores(
      registry, [&](const TDiscoveredDatastore& store) { path = store.Path; },
      [](const std::string&) {});
  return path;
}

const std::string kOne = DiscoveredPath("/one");
const std::string kTwo = DiscoveredPath("/two");

// The window's logic over fake controls, with datastores that exist only in Datastores and work
// that runs when the test turns Loop. What it does lands in Log, Window and Datastores' calls.
class MainWindowTest : public ::testing::Test {
 public:
  MainWindowTest() {
    Datastores.Add(kOne, {"111", "222"});
    Datastores.Add(kTwo, {"333"});
  }
  // A new window over fresh controls.
  TfrmMain& Form(IRegistry& registry) {
    Stores = TFakeStores(Log);
    Edit = TFakeEdit(Log);
    Open = TFakeVisibility(Log, "cmdOpen", false);
    Phones = TFakePhones(Log);
    form_ = std::make_unique<TfrmMain>(TfrmMainControls{Stores, Edit, Open, Phones, Dialog},
                                       TfrmMainServices{.Window = Window,
                                                        .Messages = Messages,
                                                        .Registry = registry,
                                                        .Errors = Errors,
                                                        .Runner = Loop,
                                                        .Reads = Datastores.Reads(),
                                                        .OutputDirectory = OutputDirectory,
                                                        .GivenDatastore = GivenDatastore,
                                                        .WarningInNotice = WarningInNotice,
                                                        .Clock = [this] { return Now; }});
    return *form_;
  }
  TfrmMain& Form() { return Form(Registry); }
  // Created, its first work done, and what that did forgotten.
  TfrmMain& Created() {
    TfrmMain& form = Form();
    form.FormCreate();
    Loop.Settle();
    Forget();
    return form;
  }
  void Register(const std::string& subkey, const std::string& folder) {
    Registry.SetString(kStores + "\\" + subkey, "DatastorePath", folder);
  }
  void Forget() {
    Log.clear();
    Window.Notices.clear();
    Window.States.clear();
    Datastores.TakeCalls();
  }
  void Drop(TfrmMain& form, const std::vector<std::string>& names) {
    TFakeDrop drop(names);
    form.JvDragDrop1.HandleDrop(drop);
  }
  // Types `path` into the edit box and presses Enter.
  void Enter(TfrmMain& form, const std::string& path) {
    Edit.Type(path);
    char key = 13;
    form.txtStoreKeyPress(key);
  }

  TEventLog Log;
  TFakeStores Stores{Log};
  TFakeEdit Edit{Log};
  TFakeVisibility Open{Log, "cmdOpen", false};
  TFakePhones Phones{Log};
  TScriptedOpenDialog Dialog{Log};
  TFakeWorkLoop Loop;
  TFakeWindow Window{Log, Loop};
  TRecordingMessages Messages{Log};
  TRecordingErrorDialog ErrorDialog{Log};
  TMemoryReportFile ReportFile;
  std::string OutputDirectory = "/out/";
  TErrorReport Errors{ErrorDialog, ReportFile, OutputDirectory, [] {}};
  TFakeRegistry Registry;
  TFakeDatastores Datastores;
  std::string GivenDatastore;
  bool WarningInNotice = false;
  int64_t Now = 0;
  std::unique_ptr<TfrmMain> form_;
};

const std::string kBackupFolder = "Backups are saved in /out/";

TEST_F(MainWindowTest, StartsInEachOutcomeOfDiscoveryOrWithTheGivenDatastore) {
  struct TCase {
    const char* Name;
    std::function<void(MainWindowTest&)> Arrange;
    std::vector<std::string> Log;
    std::string Notice;
    std::vector<std::string> Reads;
    std::vector<std::string> Phones;
  };
  const std::string warning = std::string("Warning: ") + kDatastoresNotFoundWarning;
  const std::vector<std::string> manual = {"cmboxStores.Hide", "txtStore.Show", "cmdOpen.Show"};
  const std::vector<TCase> cases = {
      {"no key: the warning, then manual mode",
       [](MainWindowTest&) {},
       {warning, manual[0], manual[1], manual[2]},
       kBackupFolder,
       {},
       {}},
      {"no key on Linux: the warning in the notice",
       [](MainWindowTest& test) { test.WarningInNotice = true; },
       manual,
       "Unable to find Nokia Ovi Datastores in registry.",
       {},
       {}},
      {"no usable datastore: manual mode without a word",
       [](MainWindowTest& test) {
         test.Registry.Key(kStores + "\\A");
         test.Register("B", "");
       },
       manual,
       kBackupFolder,
       {},
       {}},
      {"datastores: the first is selected and read",
       [](MainWindowTest& test) {
         test.Registry.Key(kStores + "\\Unusable");
         test.Register("One", "/one");
         test.Register("Two", "/two/");
       },
       {"cmboxStores.Add Datastore 2=0", "cmboxStores.Add Datastore 3=1", "cmboxStores.Select 0",
        "cmboxMobile.Clear"},
       kBackupFolder,
       {"read " + kOne},
       {"All Phones", "111", "222"}},
      {"the first datastore is missing: the notice says so",
       [](MainWindowTest& test) { test.Register("One", "/gone"); },
       {"cmboxStores.Add Datastore 1=0", "cmboxStores.Select 0", "cmboxMobile.Clear"},
       kMissingFile,
       {"read " + DiscoveredPath("/gone")},
       {}},
      {"a value of the wrong type: named in a warning, the others offered",
       [](MainWindowTest& test) {
         test.Register("One", "/one");
         test.Registry.Key(kStores + "\\Two").Values["DatastorePath"] = {registry_type::Binary,
                                                                         "xx"};
         test.Register("Three", "/two");
       },
       {"cmboxStores.Add Datastore 1=0",
        "Warning: Invalid data type for 'DatastorePath' in "
        "HKEY_CURRENT_USER\\Software\\Nokia\\MPlatform\\DataStores\\Two; that datastore is "
        "left out.",
        "cmboxStores.Add Datastore 3=1", "cmboxStores.Select 0", "cmboxMobile.Clear"},
       kBackupFolder,
       {"read " + kOne},
       {"All Phones", "111", "222"}},
      {"a datastore given: no discovery, and nothing it would say",
       [](MainWindowTest& test) {
         test.GivenDatastore = "/two/DataBase/../DataBase/MDataStore.db3";
       },
       {manual[0], manual[1], manual[2], "txtStore.Text=" + kTwo, "cmboxMobile.Clear"},
       kBackupFolder,
       {"read " + kTwo},
       {"All Phones", "333"}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    Registry = TFakeRegistry();
    GivenDatastore.clear();
    WarningInNotice = false;
    test.Arrange(*this);
    TfrmMain& form = Form();
    form.FormCreate();
    Loop.Settle();
    EXPECT_EQ(Log, test.Log);
    EXPECT_EQ(Window.Notice, test.Notice);
    EXPECT_EQ(Datastores.TakeCalls(), test.Reads);
    EXPECT_EQ(Phones.Items(), test.Phones);
    Forget();
  }
  EXPECT_EQ(Window.NoticeTooltip, kBackupFolder);
}

TEST_F(MainWindowTest, RegisteredDatastoresShowTheirPathsAsTooltipsAndWhenPicked) {
  Register("One", "/one");
  Register("Two", "/two");
  TfrmMain& form = Created();
  EXPECT_EQ(Stores.Tooltip(0), kOne);
  EXPECT_EQ(Stores.Tooltip(1), kTwo);
  EXPECT_EQ(form.CurrentDatastorePath(), kOne);

  Stores.SetItemIndex(1);
  form.cmboxStoresChange();
  Loop.Settle();
  EXPECT_EQ(Window.Notice, "Datastore 2: " + kTwo);
  EXPECT_EQ(Window.NoticeTooltip, kTwo);
  EXPECT_THAT(Phones.Items(), ElementsAre("All Phones", "333"));
  Stores.SetItemIndex(-1);
  EXPECT_EQ(form.CurrentDatastorePath(), "");
}

TEST_F(MainWindowTest, TypedPathMeansTheTrimmedUnquotedTextOrTheDatastoreInTheFolderItNames) {
  TTempDirectory folder;
  const std::string separator(1, kPathSeparator);
  const std::string registered =
      folder.File("registered" + separator + "DataBase" + separator + "MDataStore.db3");
  const std::string copied = folder.File("copied" + separator + "MDataStore.db3");
  std::filesystem::create_directories(Utf8Path(folder.File("registered/DataBase")));
  std::filesystem::create_directories(Utf8Path(folder.File("copied")));
  WriteFileBytes(registered, "x");
  WriteFileBytes(copied, "x");
  WriteFileBytes(folder.File("other.db3"), "x");
  TfrmMain& form = Created();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/data/MDataStore.db3", "/data/MDataStore.db3"},
      {"  /my data/x.db3 \t", "/my data/x.db3"},
      {" \t \r\n", ""},
      {"\x01/x\x7f\x1f", "/x\x7f"},
      {" /caf\xc3\xa9.db3\xc2\xa0 ", "/caf\xc3\xa9.db3\xc2\xa0"},
      {"\"/quoted path/x.db3\"", "/quoted path/x.db3"},
      {" \"\"/twice\"\" ", "\"/twice\""},
      {"\"", "\""},
      {folder.File("registered"), registered},
      {"\"" + folder.File("registered" + separator) + "\"", registered},
      {folder.File("registered" + separator + "DataBase"), registered},
      {folder.File("copied"), copied},
      {folder.File("other.db3"), folder.File("other.db3")},
      {folder.File("none"), folder.File("none")},
  };
  for (const auto& [typed, path] : cases) {
    Edit.Type(typed);
    EXPECT_EQ(form.CurrentDatastorePath(), path) << typed;
  }
}

TEST_F(MainWindowTest, TypedPathIsReadOnEnterOrOnLeavingTheBoxWithAnotherPath) {
  struct TStep {
    enum { Type, Key, Exit } Kind;
    std::string Text;  // typed text, or the key
  };
  struct TCase {
    const char* Name;
    std::vector<TStep> Steps;
    std::vector<std::string> Reads;
  };
  const std::vector<TCase> cases = {
      {"Enter reads", {{TStep::Type, kOne}, {TStep::Key, "\r"}}, {"read " + kOne}},
      {"leaving with a new path reads", {{TStep::Type, kOne}, {TStep::Exit, ""}}, {"read " + kOne}},
      {"leaving after Enter reads no more",
       {{TStep::Type, kOne}, {TStep::Key, "\r"}, {TStep::Exit, ""}},
       {"read " + kOne}},
      {"the same path with blanks around is no other path",
       {{TStep::Type, kOne},
        {TStep::Key, "\r"},
        {TStep::Type, " " + kOne + "\t"},
        {TStep::Exit, ""}},
       {"read " + kOne}},
      {"a path without a file is read once",
       {{TStep::Type, "/gone"}, {TStep::Key, "\r"}, {TStep::Exit, ""}},
       {"read /gone"}},
      {"other keys read nothing", {{TStep::Type, kOne}, {TStep::Key, "a"}, {TStep::Key, "\n"}}, {}},
      {"leaving the empty box reads nothing", {{TStep::Exit, ""}}, {}},
      {"leaving a box emptied after a read reads nothing",
       {{TStep::Type, kOne}, {TStep::Key, "\r"}, {TStep::Type, " "}, {TStep::Exit, ""}},
       {"read " + kOne}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    TfrmMain& form = Created();
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
      Loop.Settle();
    }
    EXPECT_EQ(Datastores.TakeCalls(), test.Reads);
    EXPECT_THAT(Log, Each(::testing::Ne(MessageLine(TMessageBoxKind::Error, kMissingFile))))
        << "a read says nothing in a box";
  }
}

// Whatever names a new path, the list and the notice are cleared at once, and a read that fails
// says why in the notice, in the words of the export, while the list stays empty.
TEST_F(MainWindowTest, EveryNewPathClearsTheListAndTheNoticeAndAFailedReadSaysWhy) {
  Datastores.Add("/junk.db3", {}, "Error reading datastore. file is not a database.");
  Register("One", "/one");
  Register("Gone", "/gone");
  struct TCase {
    const char* Name;
    std::function<void(TfrmMain&)> Give;
    std::string Notice;
    std::vector<std::string> Phones;
  };
  const std::vector<TCase> cases = {
      {"a picked datastore",
       [this](TfrmMain& form) {
         Stores.SetItemIndex(1);
         form.cmboxStoresChange();
       },
       kMissingFile,
       {}},
      {"a dropped file that is no datastore",
       [this](TfrmMain& form) { Drop(form, {"/junk.db3"}); },
       "Error reading datastore. file is not a database.",
       {"All Phones"}},
      {"an opened file",
       [this](TfrmMain& form) {
         form.SwitchToManualMode();
         Dialog.Answers = {kTwo};
         form.cmdOpenClick();
       },
       kBackupFolder,
       {"All Phones", "333"}},
      {"a typed path without a file",
       [this](TfrmMain& form) {
         form.SwitchToManualMode();
         Enter(form, "/gone.db3");
       },
       kMissingFile,
       {}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    TfrmMain& form = Created();
    form.cmdConvertClick();
    Loop.Settle();
    ASSERT_EQ(Window.Notice, "3 messages saved to sms_All Phones.xml");
    Forget();

    test.Give(form);
    EXPECT_THAT(Phones.Items(), IsEmpty()) << "cleared before the read";
    EXPECT_THAT(Window.Notices.back(), HasSubstr("Reading the phones of "));
    Loop.Settle();
    EXPECT_EQ(Window.Notice, test.Notice);
    EXPECT_EQ(Phones.Items(), test.Phones);
    EXPECT_THAT(Log, ::testing::Not(::testing::Contains(HasSubstr("Error:")))) << "no box";
  }
}

TEST_F(MainWindowTest, ConvertExportsOnlyWithThePhonesOfThePathItConverts) {
  struct TCase {
    const char* Name;
    std::function<void(MainWindowTest&, TfrmMain&)> Before;  // what the user did first
    std::vector<std::string> Calls;
    std::vector<std::string> Log;
  };
  const std::vector<TCase> cases = {
      {"a discovered datastore keeps the chosen phone",
       [](MainWindowTest& test, TfrmMain&) { test.Phones.SetItemIndex(2); },
       {"export " + kOne + " 2 222"},
       {}},
      {"an opened file keeps the chosen phone",
       [](MainWindowTest& test, TfrmMain& form) {
         form.SwitchToManualMode();
         test.Dialog.Answers = {kTwo};
         form.cmdOpenClick();
         test.Loop.Settle();
         test.Phones.SetItemIndex(1);
         test.Forget();
       },
       {"export " + kTwo + " 1 333"},
       {}},
      {"a typed path is read first, then all its phones converted",
       [](MainWindowTest& test, TfrmMain& form) {
         form.SwitchToManualMode();
         test.Phones.SetItemIndex(1);
         test.Edit.Type(kTwo);
         test.Forget();
       },
       {"read " + kTwo, "export " + kTwo + " 0 All Phones"},
       {"cmboxMobile.Clear"}},
      {"a typed path whose read failed and then succeeds before Convert",
       [](MainWindowTest& test, TfrmMain& form) {
         form.SwitchToManualMode();
         test.Datastores.Stores.erase("/late.db3");
         test.Enter(form, "/late.db3");
         test.Loop.Settle();
         test.Datastores.Add("/late.db3", {"444"});
         test.Forget();
       },
       {"read /late.db3", "export /late.db3 0 All Phones"},
       {"cmboxMobile.Clear"}},
      {"a path without a file is said once, in a box",
       [](MainWindowTest& test, TfrmMain& form) {
         form.SwitchToManualMode();
         test.Edit.Type("/gone.db3");
         test.Forget();
       },
       {"read /gone.db3"},
       {"cmboxMobile.Clear", std::string("Error: ") + kMissingFile}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    Register("One", "/one");
    TfrmMain& form = Created();
    Registry = TFakeRegistry();
    test.Before(*this, form);
    form.cmdConvertClick();
    Loop.Settle();
    EXPECT_EQ(Datastores.TakeCalls(), test.Calls);
    EXPECT_EQ(Log, test.Log);
  }
}

TEST_F(MainWindowTest, ConversionShowsHowFarItGotAFewTimesASecondThenWhatItWrote) {
  Register("One", "/one");
  Datastores.Stores[kOne].Messages = 10000;
  Datastores.DuringExport = [this](TWorkProgress& progress) {
    progress.Total(10000);
    for (int64_t rows = 512; rows < 10000; rows += 512) {
      Now += 50 * 1000;  // a batch every 50 ms
      progress.Done(rows);
    }
    progress.Done(10000);
  };
  TfrmMain& form = Created();
  form.cmdConvertClick();
  EXPECT_EQ(Window.States, std::vector<std::string>{"converting"});
  Loop.Settle();

  EXPECT_THAT(Window.Notices,
              ElementsAre("Converting\u2026", "Converting\u2026 0 of 10,000 messages",
                          "Converting\u2026 512 of 10,000 messages",
                          "Converting\u2026 3,072 of 10,000 messages",
                          "Converting\u2026 5,632 of 10,000 messages",
                          "Converting\u2026 8,192 of 10,000 messages",
                          "Converting\u2026 10,000 of 10,000 messages",
                          "10,000 messages saved to sms_All Phones.xml"));
  EXPECT_EQ(Window.NoticeTooltip, "/out/sms_All Phones.xml");
  EXPECT_EQ(Window.States, (std::vector<std::string>{"converting", "idle"}));
  EXPECT_EQ(ConvertingNotice(412000, 900287), "Converting\u2026 412,000 of 900,287 messages");
  EXPECT_EQ(ConvertingNotice(412000, -1), "Converting\u2026 412,000 messages");
}

TEST_F(MainWindowTest, ResultNamesTheFolderWhenTheNoticeDidNotNameItBefore) {
  Register("One", "/one");
  Register("Two", "/two");
  TfrmMain& form = Created();
  std::vector<std::string> results;
  const auto convert = [&] {
    form.cmdConvertClick();
    Loop.Settle();
    results.push_back(Window.Notice);
  };
  convert();  // after "Backups are saved in /out/"
  convert();  // after the result of the first
  Stores.SetItemIndex(1);
  form.cmboxStoresChange();
  Loop.Settle();
  convert();  // after "Datastore 2: …"
  EXPECT_THAT(results, ElementsAre("3 messages saved to sms_All Phones.xml",
                                   "3 messages saved to sms_All Phones.xml",
                                   "3 messages saved to /out/sms_All Phones.xml"));
}

// The work under way disables what would start other work: handlers of such controls do nothing,
// and Convert pressed while phones are read converts once they are.
TEST_F(MainWindowTest, WhileWorkRunsNoOtherWorkStarts) {
  TfrmMain& form = Created();  // in manual mode: the registry has no datastores
  Edit.Type(kOne);
  const auto try_everything = [&] {
    char enter = 13;
    form.txtStoreKeyPress(enter);
    Edit.Type(kTwo);
    form.txtStoreExit();
    Drop(form, {kTwo});
    form.cmboxStoresChange();
    form.cmdOpenClick();  // the dialog has no answers: it would throw
    Edit.Type(kOne);
  };

  form.txtStoreExit();
  try_everything();
  form.cmdConvertClick();
  Loop.Settle();
  EXPECT_EQ(Datastores.TakeCalls(),
            (std::vector<std::string>{"read " + kOne, "export " + kOne + " 0 All Phones"}));
  EXPECT_EQ(Window.States,
            (std::vector<std::string>{"reading phones", "idle", "converting", "idle"}));

  form.cmdConvertClick();
  try_everything();
  form.cmdConvertClick();
  Loop.Settle();
  EXPECT_EQ(Datastores.TakeCalls(), (std::vector<std::string>{"export " + kOne + " 0 All Phones"}));
  EXPECT_THAT(Log, ElementsAre("cmboxMobile.Clear")) << "of the one read";
}

TEST_F(MainWindowTest, ClosingCancelsTheWorkUnderWayWhichEndsInSilence) {
  struct TCase {
    const char* Name;
    std::function<void(TfrmMain&)> Start;
    std::vector<std::string> Calls;
    bool Read;
  };
  const std::vector<TCase> cases = {
      {"reading phones", [this](TfrmMain& form) { Enter(form, kTwo); }, {"read " + kTwo}, true},
      {"converting",
       [](TfrmMain& form) { form.cmdConvertClick(); },
       {"export " + kOne + " 0 All Phones"},
       false},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    Register("One", "/one");
    TfrmMain& form = Created();
    form.SwitchToManualMode();
    Edit.Type(kOne);
    test.Start(form);
    const std::vector<std::string> notices = Window.Notices;
    form.FormClose();
    form.FormDestroy();  // waits for the work, which sees the cancel
    Loop.Settle();
    EXPECT_EQ(Datastores.TakeCalls(), test.Calls);
    EXPECT_EQ(Window.Notices, notices) << "nothing shown after the close";
    std::vector<std::string> log = {"cmboxStores.Hide", "txtStore.Show", "cmdOpen.Show"};
    if (test.Read)
      log.push_back("cmboxMobile.Clear");
    EXPECT_EQ(Log, log) << "no message, no phone";
    Forget();
  }
}

TEST_F(MainWindowTest, FailedConversionSaysWhyAndWhatToDoInABox) {
  struct TCase {
    const char* Name;
    std::string Raises;
    std::string Output;
    std::vector<std::string> Log;
  };
  const std::string program = ProgramDirectory();
  const std::vector<TCase> cases = {
      {"a file the program's folder does not take",
       "create",
       program,
       {"Error: Cannot create file \"" + program +
        "sms_All Phones.xml\". Denied\r\n\r\nMove Velmorra to a folder you can write to, such as "
        "Documents."}},
      {"a file another folder does not take",
       "create",
       "/out/",
       {"Error: Cannot create file \"/out/sms_All Phones.xml\". Denied\r\n\r\nMake sure that you "
        "can write to that folder and that no other program has the file open, then convert "
        "again."}},
      {"a full disk",
       "write",
       "/out/",
       {"Error: Cannot write file \"/out/sms_All Phones.xml\". Full\r\n\r\nMake room on the disk "
        "and convert again."}},
      {"a surprise", "the unexpected", "/out/", {"Error report: the unexpected"}},
      {"a datastore that cannot be read",
       "",
       "/out/",
       {"Error: Error reading datastore. file is not a database."}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    OutputDirectory = test.Output;
    Datastores.ExportRaises = test.Raises;
    Datastores.Stores[kOne].ReadError =
        test.Raises.empty() ? "Error reading datastore. file is not a database." : "";
    Register("One", "/one");
    TfrmMain& form = Created();
    const std::string notice = Window.Notice;
    form.cmdConvertClick();
    Loop.Settle();
    EXPECT_EQ(Log, test.Log);
    EXPECT_EQ(Window.Notice, notice) << "the notice as before the conversion";
  }
}

TEST_F(MainWindowTest, EscapeClosesTheWindowAndLeavesTheCharacter) {
  TfrmMain& form = Created();
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
  Register("One", "/one");
  TfrmMain& form = Created();
  form.FormDestroy();
  EXPECT_THAT(form.StorePaths(), IsEmpty());
  EXPECT_EQ(form.CurrentDatastorePath(), "");
}

TEST(WindowCommandLineTest, AsksForHelpOrTheVersionOrNamesADatastore) {
  using TAction = TWindowCommandLine::TAction;
  struct TCase {
    std::vector<std::string> Arguments;
    TAction Action;
    std::string Datastore;
  };
  const std::vector<TCase> cases = {
      {{}, TAction::Open, ""},
      {{"/a/MDataStore.db3", "/b.db3"}, TAction::Open, "/a/MDataStore.db3"},
      {{"--", "-odd.db3"}, TAction::Open, "-odd.db3"},
      {{"-"}, TAction::Open, "-"},
      {{"--help"}, TAction::Help, ""},
      {{"-h", "/a.db3"}, TAction::Help, ""},
      {{"--version"}, TAction::Version, ""},
      {{"--verbose"}, TAction::Error, ""},
  };
  for (const TCase& test : cases) {
    const TWindowCommandLine parsed = ParseWindowCommandLine(test.Arguments);
    EXPECT_EQ(parsed.Action, test.Action) << ::testing::PrintToString(test.Arguments);
    EXPECT_EQ(parsed.Datastore, test.Datastore);
  }
  EXPECT_EQ(ParseWindowCommandLine({"--verbose"}).Error, "unknown option \"--verbose\"");
  EXPECT_THAT(WindowUsage(), HasSubstr("Usage: velmorra [DATASTORE]\n"));
  EXPECT_EQ(WindowVersion(), std::string("velmorra ") + VELMORRA_VERSION + "\n");
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
