#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/qt/application.h"
#include "app/qt/qt_error_report.h"
#include "app/qt/qt_message_boxes.h"
#include "app/qt/qt_open_dialog.h"
#include "modal_helper.h"
#include "support/temp_directory.h"
#include "window_fakes.h"

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using namespace velmorra::testing;

struct TShownBox {
  QString Title;
  QString Text;
  QString InformativeText;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  std::vector<std::string> Buttons;
};

QString WithoutMnemonic(QString text) {
  return text.remove('&');
}

// Notes what the next message box shows and then presses its button whose text, mnemonics aside,
// is `press` (or just closes the box when it has none such).
void ReadNextBox(TShownBox& shown, const QString& press) {
  OnNextModal([&shown, press](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    shown.Title = box->windowTitle();
    shown.Text = box->text();
    shown.InformativeText = box->informativeText();
    shown.Icon = box->icon();
    QAbstractButton* pressed = nullptr;
    for (QAbstractButton* button : box->buttons()) {
      shown.Buttons.push_back(button->text().toStdString());
      if (WithoutMnemonic(button->text()) == WithoutMnemonic(press))
        pressed = button;
    }
    if (pressed != nullptr) {
      pressed->click();
    } else {
      box->close();
    }
  });
}

TEST(QtMessageBoxesTest, ErrorsAndWarningsShowTheirCaptionIconAndOneOkButton) {
  TQtMessageBoxes messages(nullptr);
  TShownBox error;
  ReadNextBox(error, "OK");
  messages.ShowMessage(TMessageBoxKind::Error, "Error openin datastore. Error was: x.");
  EXPECT_EQ(error.Title, "Error");
  EXPECT_EQ(error.Icon, QMessageBox::Critical);
  EXPECT_EQ(error.Text, "Error openin datastore. Error was: x.");
  ASSERT_EQ(error.Buttons.size(), 1u);
  EXPECT_EQ(WithoutMnemonic(QString::fromStdString(error.Buttons[0])), "OK");

  TShownBox warning;
  ReadNextBox(warning, "OK");
  messages.ShowMessage(TMessageBoxKind::Warning, "first line\r\nsecond line");
  EXPECT_EQ(warning.Title, "Warning");
  EXPECT_EQ(warning.Icon, QMessageBox::Warning);
  EXPECT_EQ(warning.Text, "first line\nsecond line");
}

TEST(QtMessageBoxesTest, ALongWordIsWrappedRatherThanStretchingTheBox) {
  TQtMessageBoxes messages(nullptr);
  const std::string imei(300, '9');
  QString text;
  int width = 0;
  OnNextModal([&](QWidget* modal) {
    text = static_cast<QMessageBox*>(modal)->text();
    width = modal->width();
    modal->close();
  });
  messages.ShowMessage(TMessageBoxKind::Error,
                       "The datastore holds no text message of the phone \"" + imei + "\".");
  EXPECT_LT(width, 640);
  EXPECT_EQ(text.remove(QChar(0x200B)).toStdString(),
            "The datastore holds no text message of the phone \"" + imei + "\".");
  EXPECT_EQ(WrappableText(QStringLiteral("a few words")), "a few words");
}

TEST(QtErrorDialogTest, ShowsTheHeadingAndTheErrorAndLetsTheUserChoose) {
  TQtErrorDialog dialog;
  TShownBox shown;
  ReadNextBox(shown, "C&lose application");
  EXPECT_EQ(dialog.ShowError("Cannot create file \"/x\". Permission denied"),
            TErrorChoice::CloseApplication);
  EXPECT_EQ(shown.Text, kErrorReportHeading);
  EXPECT_EQ(shown.InformativeText, "Cannot create file \"/x\". Permission denied");
  EXPECT_EQ(shown.Icon, QMessageBox::Critical);
  EXPECT_THAT(shown.Buttons, ElementsAre("&Continue application", "C&lose application"));

  OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_EQ(dialog.ShowError("again"), TErrorChoice::Continue);
}

TEST(QtReportFileTest, AppendsToTheFileAndIgnoresAFolderThatIsNotThere) {
  TTempDirectory folder;
  TQtReportFile file;
  file.Append(folder.File("bugreport.txt"), "one\n");
  file.Append(folder.File("bugreport.txt"), "two\n");
  EXPECT_EQ(ReadFileBytes(folder.File("bugreport.txt")), "one\ntwo\n");
  file.Append(folder.File("missing/bugreport.txt"), "lost\n");
  EXPECT_EQ(ReadFileBytes(folder.File("missing/bugreport.txt")), "");
  EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                  .match(QString::fromStdString(file.LocalTimeText()))
                  .hasMatch());
}

// An object whose event handling fails, as a faulty handler would.
class TThrowingObject : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User)
      throw std::runtime_error("handler failed");
    return QObject::event(event);
  }
};

TEST(QtApplicationTest, AnErrorEscapingAnEventHandlerReachesTheErrorReport) {
  auto* application = static_cast<TVelmorraApplication*>(QCoreApplication::instance());
  TEventLog log;
  TRecordingErrorDialog dialog(log);
  TMemoryReportFile file;
  TErrorReport report(dialog, file, "/program/", [] {});
  application->SetErrorReport(&report);

  TThrowingObject object;
  QEvent sent(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&object, &sent));
  QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  application->SetErrorReport(nullptr);

  EXPECT_THAT(log, ElementsAre("Error report: handler failed", "Error report: handler failed"));
  EXPECT_NE(file.Files["/program/bugreport.txt"].find("Error: handler failed"), std::string::npos);
}

TEST(QtOpenDialogTest, OffersDatastoreFilesAndStartsFromTheLastChoice) {
  TTempDirectory folder;
  WriteFileBytes(folder.File("MDataStore.db3"), "x");
  TQtOpenDialog open(nullptr);
  QFileDialog& dialog = open.Dialog();
  EXPECT_EQ(dialog.windowTitle(), "Nokia Ovi Database");
  EXPECT_EQ(dialog.nameFilters(), QStringList{"Nokia Ovi Db (*.db3)"});
  EXPECT_EQ(dialog.defaultSuffix(), "db3");
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_NE(dialog.fileMode(), QFileDialog::ExistingFiles) << "one file only";
  EXPECT_EQ(open.FileName(), "");

  const QString chosen = QString::fromStdString(folder.File("MDataStore.db3"));
  OnNextModal([&](QWidget* modal) {
    auto* shown = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(shown, nullptr);
    shown->setDirectory(QString::fromStdString(folder.Path()));
    auto* name = shown->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("MDataStore"));  // typed without its extension
    QMetaObject::invokeMethod(shown, "accept");
  });
  EXPECT_TRUE(open.Execute());
  EXPECT_EQ(open.FileName(), folder.File("MDataStore.db3"));

  QStringList offered;
  OnNextModal([&](QWidget* modal) {
    offered = static_cast<QFileDialog*>(modal)->selectedFiles();
    static_cast<QFileDialog*>(modal)->reject();
  });
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(offered, QStringList{chosen});
  EXPECT_EQ(open.FileName(), folder.File("MDataStore.db3")) << "cancel keeps the last file";
}

// Typing into the name box brings up the pop-up that completes names; it must go with the dialog,
// or it takes the next key or click meant for the main window. The next time the dialog offers the
// name chosen, selected, so that a typed path replaces it.
TEST(QtOpenDialogTest, LeavesNoPopUpBehindAndOffersTheLastNameSelected) {
  TTempDirectory folder;
  WriteFileBytes(folder.File("MDataStore.db3"), "x");
  TQtOpenDialog open(nullptr);
  bool completed = false;
  OnNextModal([&](QWidget* modal) {
    auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(folder.File("MDataStore.db3")));
    name->completer()->popup()->show();  // as typing brings it up
    completed = QApplication::activePopupWidget() != nullptr;
    QMetaObject::invokeMethod(modal, "accept");
  });
  ASSERT_TRUE(open.Execute());
  EXPECT_TRUE(completed) << "the pop-up came up";
  EXPECT_EQ(open.FileName(), folder.File("MDataStore.db3"));
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

  QString selected;
  OnNextModal([&](QWidget* modal) {
    QTest::qWait(50);
    selected = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->selectedText();
    static_cast<QFileDialog*>(modal)->reject();
  });
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(selected, "MDataStore.db3");
}

}  // namespace
}  // namespace velmorra
