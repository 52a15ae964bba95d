#include "app/qt/qt_open_dialog.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

namespace velmorra {

QFileDialog& TQtOpenDialog::Dialog() {
  if (!dialog_) {
    dialog_ = std::make_unique<QFileDialog>(parent_, QStringLiteral("Nokia Ovi Database"));
    dialog_->setNameFilter(QStringLiteral("Nokia Ovi Db (*.db3)"));
    dialog_->setDefaultSuffix(QStringLiteral("db3"));
    // A name that does not exist yet may be typed; the phone list read then says so.
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setAcceptMode(QFileDialog::AcceptOpen);
    dialog_->setSizeGripEnabled(true);
  }
  return *dialog_;
}

bool TQtOpenDialog::Execute() {
  QFileDialog& dialog = Dialog();
  if (!file_name_.empty()) {
    dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(file_name_)));
    // The last name is offered selected, so that what the user types replaces it.
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
      QTimer::singleShot(0, name, [name] { name->selectAll(); });
  }
  const int answer = dialog.exec();
  // The pop-up that completes a typed name can stay on screen after the dialog, and would take
  // the next key or click meant for the main window.
  for (QCompleter* completer : dialog.findChildren<QCompleter*>())
    completer->popup()->hide();
  if (answer != QDialog::Accepted)
    return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty())
    return false;
  file_name_ = QFile::encodeName(QFileInfo(chosen.first()).absoluteFilePath()).toStdString();
  return true;
}

}  // namespace velmorra
