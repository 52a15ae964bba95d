#include "app/qt/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/datastore_discovery.h"
#include "datastore_folder.h"
#include "export/backup_file_name.h"
#include "fake_registry.h"
#include "modal_helper.h"
#include "support/temp_directory.h"
#include "window_fakes.h"
#include "wine_prefix.h"

// The Qt window's own wiring: its layout, which events reach which handler of the logic, its
// keys, drops and notice, and the hand-over of the work between the threads. The flows behind the
// handlers are the logic's, tested without a toolkit.

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace velmorra::testing;

const std::string kStores = kDatastoresKey;

// Message boxes that also note whether a window of the program was on screen at the time.
class TWatchingMessages : public IMessageBoxes {
 public:
  explicit TWatchingMessages(TEventLog& log) : log_(log) {}
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override {
    bool shown = false;
    for (QWidget* widget : QApplication::topLevelWidgets())
      shown = shown || widget->isVisible();
    log_.push_back(MessageLine(kind, text) + (shown ? " [window shown]" : " [window hidden]"));
  }

 private:
  TEventLog& log_;
};

std::vector<std::string> Items(const QComboBox* combo) {
  std::vector<std::string> items;
  for (int i = 0; i < combo->count(); ++i)
    items.push_back(combo->itemText(i).toStdString());
  return items;
}

QString Native(const std::string& text) {
  return QString::fromUtf8(text.c_str());
}

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() {
    Datastores.Add(One, {"111", "222"});
    Datastores.Add(Two, {"333"});
  }
  TfrmMainWidget& Window(IRegistry& registry) {
    window_.reset();
    window_ = std::make_unique<TfrmMainWidget>(TWindowServices{.Registry = registry,
                                                               .Errors = Errors,
                                                               .OutputDirectory = OutputDirectory,
                                                               .Messages = &Messages,
                                                               .OpenDialog = &Dialog,
                                                               .Reads = Reads});
    return *window_;
  }
  TfrmMainWidget& Window() { return Window(Registry); }
  // The window on screen and active, so that it takes keys and mnemonics, with the work of its
  // start done.
  TfrmMainWidget& Shown(IRegistry& registry) {
    TfrmMainWidget& window = Window(registry);
    window.ShowCentred();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(Idle(window));
    return window;
  }
  TfrmMainWidget& Shown() { return Shown(Registry); }
  // Registers two datastores, the first with phones 111 and 222, the second with 333.
  void RegisterTwoDatastores() {
    Registry.SetString(kStores + "\\One", "DatastorePath", "/one");
    Registry.SetString(kStores + "\\Two", "DatastorePath", "/two");
  }
  // Waits for the work that the window runs to end: the phone list is disabled while it runs.
  static bool Idle(TfrmMainWidget& window) {
    return QTest::qWaitFor([&] { return window.cmboxMobile->isEnabled(); });
  }
  // A drag that enters the window and, when the window takes it, drops there; true when the drop
  // was taken.
  static bool Drop(QWidget& window, const QList<QUrl>& urls, QPoint at = QPoint(200, 60)) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
      return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return drop.isAccepted();
  }
  static bool DropFiles(QWidget& window, const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    for (const std::string& path : paths)
      urls.push_back(QUrl::fromLocalFile(Native(path)));
    return Drop(window, urls);
  }
  // A key as the platform delivers it: to the window, which passes it to the focused control.
  static void Press(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(window.windowHandle(), key, modifiers);
  }
  static void PressAlt(QWidget& window, Qt::Key key) { Press(window, key, Qt::AltModifier); }

  const std::string One = "/one/DataBase/MDataStore.db3";
  const std::string Two = "/two/DataBase/MDataStore.db3";
  TEventLog Log;
  TWatchingMessages Messages{Log};
  TScriptedOpenDialog Dialog{Log};
  TRecordingErrorDialog ErrorDialog{Log};
  TMemoryReportFile ReportFile;
  TTempDirectory Output;
  std::string OutputDirectory = Output.Path();
  TErrorReport Errors{ErrorDialog, ReportFile, Output.Path(), [] {}};
  TFakeRegistry Registry;
  TFakeDatastores Datastores;
  std::optional<TDatastoreReads> Reads = Datastores.Reads();
  std::unique_ptr<TfrmMainWidget> window_;
};

TEST_F(MainFormTest, WindowHasTheFixedLayoutCaptionsAndFont) {
  TfrmMainWidget& window = Window();
  EXPECT_EQ(window.windowTitle(), "Velmorra convert utility");
  EXPECT_EQ(window.size(), QSize(461, 154));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

  const std::vector<std::pair<QWidget*, QRect>> geometry = {
      {window.cmboxStores, QRect(112, 15, 225, 21)}, {window.txtStore, QRect(112, 15, 225, 21)},
      {window.cmdOpen, QRect(367, 13, 75, 25)},      {window.cmboxMobile, QRect(112, 44, 225, 21)},
      {window.cmdConvert, QRect(16, 91, 426, 25)},
  };
  for (const auto& [control, rect] : geometry) {
    EXPECT_EQ(control->geometry(), rect) << control->metaObject()->className();
  }
  EXPECT_EQ(window.Label3->pos(), QPoint(16, 18));
  EXPECT_EQ(window.Label1->pos(), QPoint(16, 47));
  EXPECT_EQ(window.Label2->pos(), QPoint(16, 130));

  EXPECT_EQ(window.cmdConvert->text(), "&Convert");
  EXPECT_EQ(window.cmdOpen->text(), "&Open ...");
  EXPECT_EQ(window.Label3->text(), "&Nokia Ovi Stores:");
  EXPECT_EQ(window.Label1->text(), "&Phone IMEI:");
  EXPECT_EQ(window.Label3->buddy(), window.txtStore);
  EXPECT_EQ(window.Label1->buddy(), window.cmboxMobile);
  EXPECT_FALSE(window.cmboxStores->isEditable());
  EXPECT_FALSE(window.cmboxMobile->isEditable());

  const QFontInfo font(window.font());
  EXPECT_EQ(window.font().pointSize(), 8);
  EXPECT_TRUE(font.family() == "Tahoma" || window.font().styleHint() == QFont::SansSerif)
      << font.family().toStdString();
  EXPECT_EQ(window.palette().color(QPalette::Window), window.palette().color(QPalette::Button));
}

TEST_F(MainFormTest, LongNoticeIsShortenedToOneLineWithTheWholeOfItAsItsTooltip) {
  Registry.Key(kStores);  // no datastore: the notice keeps saying where backups go
  OutputDirectory = "/" + std::string(300, 'd') + "/";
  TfrmMainWidget& window = Window();
  EXPECT_LE(window.Label2->width(), 461 - 16);
  EXPECT_TRUE(window.Label2->text().contains(QChar(0x2026)));
  EXPECT_EQ(window.Label2->toolTip(), "Backups are saved in " + Native(OutputDirectory));
}

TEST_F(MainFormTest, StartWithoutTheKeySaysSoInTheNoticeAndOpensInManualMode) {
  TfrmMainWidget& window = Shown();
  EXPECT_THAT(Log, IsEmpty()) << "no message box at every start";
  EXPECT_EQ(window.Label2->text(), "Unable to find Nokia Ovi Datastores in registry.");
  EXPECT_EQ(window.Label2->toolTip(),
            "Unable to find Nokia Ovi Datastores in registry.\n"
            "Unfortunately you'll have to manually search for datastore "
            "file.");
  EXPECT_TRUE(window.cmboxStores->isHidden());
  EXPECT_TRUE(window.txtStore->isVisible());
  EXPECT_TRUE(window.cmdOpen->isVisible());
}

TEST_F(MainFormTest, StartWithDatastoresShowsTheFirstWithItsPhonesAndEachPathAsATooltip) {
  RegisterTwoDatastores();
  TfrmMainWidget& window = Shown();
  EXPECT_THAT(Log, IsEmpty());
  EXPECT_THAT(Items(window.cmboxStores), ElementsAre("Datastore 1", "Datastore 2"));
  EXPECT_EQ(window.cmboxStores->itemData(1, Qt::ToolTipRole).toString(), Native(Two));
  EXPECT_EQ(window.cmboxStores->toolTip(), Native(One)) << "the closed list's, of its selection";
  EXPECT_TRUE(window.txtStore->isHidden());
  EXPECT_THAT(Items(window.cmboxMobile), ElementsAre("All Phones", "111", "222"));
  EXPECT_EQ(QApplication::focusWidget(), window.cmdConvert) << "initial focus";

  // The user's choice of another datastore (not the program's) reads its phones.
  window.cmboxStores->setFocus();
  QTest::keyClick(window.cmboxStores, Qt::Key_Down);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Items(window.cmboxMobile).size() == 2; }));
  EXPECT_THAT(Items(window.cmboxMobile), ElementsAre("All Phones", "333"));
  EXPECT_EQ(window.cmboxStores->toolTip(), Native(Two));
  EXPECT_EQ(window.Label2->text(), Native("Datastore 2: " + Two));
}

TEST_F(MainFormTest, RegistryValueOfTheWrongTypeIsNamedBeforeTheWindowShowsAndTheOthersOffered) {
  Registry.Key(kStores + "\\One").Values["DatastorePath"] = {registry_type::DWord, "1234"};
  Registry.SetString(kStores + "\\Two", "DatastorePath", "/two");
  TfrmMainWidget& window = Shown();
  EXPECT_THAT(Log, ElementsAre("Warning: Invalid data type for 'DatastorePath' in "
                               "HKEY_CURRENT_USER\\Software\\Nokia\\MPlatform\\DataStores\\One; "
                               "that datastore is left out. [window hidden]"));
  EXPECT_THAT(Items(window.cmboxStores), ElementsAre("Datastore 2"));
  EXPECT_THAT(Items(window.cmboxMobile), ElementsAre("All Phones", "333"));
}

TEST_F(MainFormTest, TypedPathIsReadOnEnterAndWhenTheFocusLeavesTheBoxNotWhileTyped) {
  TfrmMainWidget& window = Shown();
  window.txtStore->setFocus();
  QTest::keyClicks(window.txtStore, Native("  " + One + "  "));
  EXPECT_EQ(window.Form().CurrentDatastorePath(), One);
  EXPECT_THAT(Datastores.TakeCalls(), IsEmpty()) << "typing alone reads nothing";
  Press(window, Qt::Key_Return);
  EXPECT_TRUE(Idle(window));
  EXPECT_THAT(Items(window.cmboxMobile), ElementsAre("All Phones", "111", "222"));

  window.txtStore->setFocus();
  window.txtStore->clear();
  QTest::keyClicks(window.txtStore, Native(Two));
  Press(window, Qt::Key_Tab);
  EXPECT_TRUE(Idle(window));
  EXPECT_THAT(Items(window.cmboxMobile), ElementsAre("All Phones", "333"));
  EXPECT_THAT(Datastores.TakeCalls(), ElementsAre("read " + One, "read " + Two));
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(MainFormTest, OpenButtonTakesTheConfirmedFileAndIgnoresCancel) {
  TfrmMainWidget& window = Shown();
  Dialog.Answers = {One, ""};
  QTest::mouseClick(window.cmdOpen, Qt::LeftButton);
  EXPECT_TRUE(Idle(window));
  EXPECT_EQ(window.txtStore->text(), Native(One));
  QTest::mouseClick(window.cmdOpen, Qt::LeftButton);
  EXPECT_EQ(window.txtStore->text(), Native(One));
  EXPECT_THAT(Log, ElementsAre("od.Execute", "od.Execute"));
  EXPECT_THAT(Datastores.TakeCalls(), ElementsAre("read " + One));
}

// The work runs on its thread while the window goes on: the notice shows how far it got, the
// controls that would start other work are disabled, the pointer says that the program works; the
// end comes back to the window's thread.
TEST_F(MainFormTest, WindowGoesOnWhileTheWorkRunsOnItsThread) {
  RegisterTwoDatastores();
  std::atomic<bool> go_on = false;
  std::atomic<std::thread::id> export_thread;
  Datastores.DuringExport = [&](TWorkProgress& progress) {
    export_thread = std::this_thread::get_id();
    progress.Total(900287);
    progress.Done(412000);
    while (!go_on)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  TfrmMainWidget& window = Shown();
  window.cmboxMobile->setCurrentIndex(1);
  QTest::mouseClick(window.cmdConvert, Qt::LeftButton);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.Label2->text().contains("412,000"); }));
  EXPECT_EQ(window.Label2->text(), "Converting\u2026 412,000 of 900,287 messages");
  for (QWidget* control :
       {static_cast<QWidget*>(window.cmdConvert), static_cast<QWidget*>(window.cmboxStores),
        static_cast<QWidget*>(window.cmboxMobile)}) {
    EXPECT_FALSE(control->isEnabled()) << control->metaObject()->className();
  }
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  EXPECT_NE(export_thread.load(), std::this_thread::get_id());

  go_on = true;
  EXPECT_TRUE(Idle(window));
  EXPECT_EQ(window.Label2->text(), "3 messages saved to sms_111.xml");
  EXPECT_EQ(window.Label2->toolTip(), Native(Output.File("sms_111.xml")));
  EXPECT_TRUE(window.cmdConvert->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_THAT(Datastores.TakeCalls(), ElementsAre("read " + One, "export " + One + " 1 111"));
}

TEST_F(MainFormTest, ClosingDuringTheWorkClosesAtOnceAndCancelsIt) {
  RegisterTwoDatastores();
  std::atomic<bool> started = false;
  std::atomic<bool> saw_cancel = false;
  Datastores.DuringExport = [&](TWorkProgress& progress) {
    started = true;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!progress.Cancelled() && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    saw_cancel = progress.Cancelled();
  };
  TfrmMainWidget& window = Shown();
  QTest::mouseClick(window.cmdConvert, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }));

  const auto closing = std::chrono::steady_clock::now();
  Press(window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return saw_cancel.load(); }, 1000)) << "cancelled on closing";
  window_.reset();  // as the program does once its loop has ended
  EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(1));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy pointer goes with the window";
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(MainFormTest, MnemonicsFollowTheModeOfTheDatastoreRow) {
  RegisterTwoDatastores();
  TfrmMainWidget& window = Shown();
  ASSERT_EQ(QApplication::focusWidget(), window.cmdConvert);

  PressAlt(window, Qt::Key_N);
  EXPECT_EQ(QApplication::focusWidget(), window.cmdConvert) << "its edit box is hidden";
  PressAlt(window, Qt::Key_O);
  QTest::qWait(300);  // a button's mnemonic clicks after a short animation
  EXPECT_THAT(Log, IsEmpty()) << "the open button is hidden";
  PressAlt(window, Qt::Key_P);
  EXPECT_EQ(QApplication::focusWidget(), window.cmboxMobile);

  DropFiles(window, {Two});
  EXPECT_TRUE(Idle(window));
  PressAlt(window, Qt::Key_N);
  EXPECT_EQ(QApplication::focusWidget(), window.txtStore);
  Dialog.Answers = {""};
  PressAlt(window, Qt::Key_O);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Log.empty(); }));
  EXPECT_THAT(Log, ElementsAre("od.Execute"));
  window.cmboxMobile->setCurrentIndex(1);
  PressAlt(window, Qt::Key_C);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.Label2->text().contains("messages saved"); }));
  EXPECT_THAT(Datastores.TakeCalls(),
              ElementsAre("read " + One, "read " + Two, "export " + Two + " 1 333"));
}

TEST_F(MainFormTest, TabOrderSkipsHiddenControls) {
  RegisterTwoDatastores();
  TfrmMainWidget& window = Shown();
  std::vector<QWidget*> order;
  for (int i = 0; i < 3; ++i) {
    Press(window, Qt::Key_Tab);
    order.push_back(QApplication::focusWidget());
  }
  EXPECT_THAT(order, ElementsAre(window.cmboxStores, window.cmboxMobile, window.cmdConvert));

  window.Form().SwitchToManualMode();
  order.clear();
  for (int i = 0; i < 4; ++i) {
    Press(window, Qt::Key_Tab);
    order.push_back(QApplication::focusWidget());
  }
  EXPECT_THAT(order,
              ElementsAre(window.txtStore, window.cmdOpen, window.cmboxMobile, window.cmdConvert));
}

TEST_F(MainFormTest, EscapeClosesTheWindowFromAnyControl) {
  RegisterTwoDatastores();
  for (int control = 0; control < 4; ++control) {
    SCOPED_TRACE(control);
    TfrmMainWidget& window = Shown();
    QWidget* targets[] = {window.cmdConvert, window.cmboxStores, window.cmboxMobile, nullptr};
    if (targets[control] != nullptr) {
      targets[control]->setFocus();
      ASSERT_EQ(QApplication::focusWidget(), targets[control]);
      Press(window, Qt::Key_Escape);
    } else {
      window.Form().SwitchToManualMode();
      window.txtStore->setFocus();
      QTest::keyClicks(window.txtStore, "typed");
      Press(window, Qt::Key_Escape);
    }
    EXPECT_FALSE(window.isVisible());
  }
}

TEST_F(MainFormTest, EscapeClosesTheWindowWhileADropDownListIsOpen) {
  RegisterTwoDatastores();
  TfrmMainWidget& window = Shown();
  window.cmboxMobile->setFocus();
  window.cmboxMobile->showPopup();
  ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
  QWidget* popup = QApplication::activePopupWidget();
  QTest::keyClick(popup->windowHandle(), Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(MainFormTest, OtherKeysAndDialogsLeaveTheWindowOpen) {
  TfrmMainWidget& window = Shown();
  window.txtStore->setFocus();
  for (Qt::Key key : {Qt::Key_A, Qt::Key_Space, Qt::Key_Return}) {
    Press(window, key);
  }
  EXPECT_TRUE(Idle(window));
  EXPECT_EQ(window.txtStore->text(), "a ");
  EXPECT_TRUE(window.isVisible());

  OnNextModal([](QWidget* modal) { QTest::keyClick(modal->windowHandle(), Qt::Key_Escape); });
  QMessageBox box(QMessageBox::Warning, "Warning", "modal", QMessageBox::Ok, &window);
  box.exec();
  EXPECT_TRUE(window.isVisible()) << "Escape in a dialog closes only the dialog";
}

TEST_F(MainFormTest, DropOfSeveralFilesTakesTheFirstAndSwitchesToManualModeForGood) {
  RegisterTwoDatastores();
  TfrmMainWidget& window = Shown();
  EXPECT_TRUE(window.acceptDrops()) << "registered before the window first shows";
  EXPECT_TRUE(window.Form().JvDragDrop1.Hooked());

  EXPECT_TRUE(DropFiles(window, {"/first/MDataStore.db3", "/second.db3", "/third.txt"}));
  EXPECT_EQ(window.txtStore->text(), "/first/MDataStore.db3");
  EXPECT_TRUE(window.cmboxStores->isHidden());
  EXPECT_TRUE(window.txtStore->isVisible());
  EXPECT_TRUE(window.cmdOpen->isVisible());
  EXPECT_TRUE(Idle(window));
  EXPECT_EQ(window.Label2->text(), "Datastore file doesn't exist.");
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(MainFormTest, DropInManualModeReplacesTheTextWithAFolderOrALongName) {
  TfrmMainWidget& window = Shown();
  TTempDirectory folder;
  const std::string long_name = folder.Path() + std::string(280, 'x') + ".db3";
  const std::vector<std::string> drops = {folder.Path(), long_name, "/with space/é.db3"};
  for (const std::string& dropped : drops) {
    std::string expected = dropped;
    if (expected.back() == '/')
      expected.pop_back();
    QList<QUrl> urls = {QUrl::fromLocalFile(Native(expected))};
    EXPECT_TRUE(Drop(window, urls));
    EXPECT_EQ(window.txtStore->text().toStdString(), expected);
    EXPECT_EQ(window.Form().CurrentDatastorePath(), expected);
    EXPECT_TRUE(Idle(window));
  }
  EXPECT_EQ(Datastores.TakeCalls().size(), 3u) << "each dropped name is read";
}

TEST_F(MainFormTest, NamesThatAreNotUtf8ReachTheReadsAndTheExportUnchanged) {
  const std::string imei = "\x33\x35\xff\x31";
  const std::string store = "/lat\xe9in1/MDataStore.db3";
  Datastores.Add(store, {"111", imei});
  TfrmMainWidget& window = Shown();

  const QByteArray url = "file://" + QByteArray::fromStdString(store).toPercentEncoding("/");
  EXPECT_TRUE(Drop(window, {QUrl::fromEncoded(url)}));
  EXPECT_EQ(window.Form().CurrentDatastorePath(), store);
  EXPECT_TRUE(Idle(window));
  ASSERT_THAT(Items(window.cmboxMobile), ElementsAre("All Phones", "111",
                                                     "35\xef\xbf\xbd"
                                                     "1"));
  window.cmboxMobile->setCurrentIndex(2);
  QTest::mouseClick(window.cmdConvert, Qt::LeftButton);
  EXPECT_TRUE(Idle(window));
  EXPECT_THAT(Datastores.TakeCalls(),
              ElementsAre("read " + store, "export " + store + " 2 " + imei));
}

TEST_F(MainFormTest, OnlyDragsOfLocalFilesAreTaken) {
  TfrmMainWidget& window = Shown();
  window.txtStore->setText("kept");
  const auto enter = [&](const QMimeData& data) {
    QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
    return event.isAccepted();
  };
  QMimeData text;
  text.setText("/some/file.db3");
  QMimeData remote;
  remote.setUrls({QUrl("https://example.invalid/MDataStore.db3")});
  QMimeData local;
  local.setUrls({QUrl("https://example.invalid/a.db3"), QUrl::fromLocalFile("/b.db3")});
  EXPECT_FALSE(enter(text));
  EXPECT_FALSE(enter(remote));
  EXPECT_TRUE(enter(local));

  EXPECT_FALSE(Drop(window, {QUrl("https://example.invalid/MDataStore.db3")}));
  EXPECT_EQ(window.txtStore->text(), "kept");
  EXPECT_TRUE(Drop(window, local.urls()));
  EXPECT_EQ(window.txtStore->text(), "/b.db3") << "the first local file";
  EXPECT_TRUE(Idle(window));

  window.Form().JvDragDrop1.SetAcceptDrag(false);
  EXPECT_FALSE(enter(local));
  EXPECT_FALSE(DropFiles(window, {"/c.db3"}));
  EXPECT_EQ(window.txtStore->text(), "/b.db3");
}

TEST_F(MainFormTest, NoDropIsTakenWhileAModalDialogIsUp) {
  TfrmMainWidget& window = Shown();
  bool accepted = true;
  OnNextModal([&](QWidget* modal) {
    accepted = DropFiles(window, {"/during/modal.db3"});
    modal->close();
  });
  QMessageBox box(QMessageBox::Warning, "Warning", "modal", QMessageBox::Ok, &window);
  box.exec();
  EXPECT_FALSE(accepted);
  EXPECT_EQ(window.txtStore->text(), "");
}

// The one test of the real reads: a datastore registered in a Wine prefix, read on the window's
// thread of work, in a program folder of its own.
TEST_F(MainFormTest, ScreenshotOfTheWindowConvertingADiscoveredDatastore) {
  TWinePrefix prefix;
  MakeDatastore(prefix.DriveC() + "Users/user/AppData/Local/Nokia/Nokia Data Store",
                {"356938035643809", "354127049826370"});
  prefix.WriteUserReg(DatastoreSection(
      "{4F2A0F3C-5C57-4F1A-9E7B-1D2C3B4A5F60}",
      DatastorePathLine("C:\\Users\\user\\AppData\\Local\\Nokia\\Nokia Data Store")));
  std::unique_ptr<IRegistry> registry = OpenCurrentUserRegistry();
  OutputDirectory = "/opt/velmorra/";
  std::atomic<bool> shown = false;
  Reads = DatastoreReads();
  Reads->Export = [&](const std::string&, int, const std::string&, IMessageBoxes&,
                      const std::string&, TWorkProgress& progress) {
    progress.Total(900287);
    progress.Done(412000);
    while (!shown && !progress.Cancelled())
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return TExportResult{};
  };
  TfrmMainWidget& window = Shown(*registry);
  ASSERT_THAT(Log, IsEmpty());
  ASSERT_THAT(Items(window.cmboxMobile),
              ElementsAre("All Phones", "354127049826370", "356938035643809"));
  QTest::mouseClick(window.cmdConvert, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Label2->text().contains("412,000"); }));

  const QPixmap picture = window.grab();
  shown = true;
  EXPECT_EQ(picture.size(), QSize(461, 154) * picture.devicePixelRatio());
  EXPECT_TRUE(picture.save(VELMORRA_SCREENSHOT_DIRECTORY "window.png"));
  EXPECT_TRUE(Idle(window));
}

}  // namespace
}  // namespace velmorra
