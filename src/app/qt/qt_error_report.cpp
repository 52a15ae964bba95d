#include "app/qt/qt_error_report.h"

#include <QDateTime>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include "app/qt/qt_message_boxes.h"

namespace velmorra {

TErrorChoice TQtErrorDialog::ShowError(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Velmorra"),
                  QString::fromUtf8(kErrorReportHeading), QMessageBox::NoButton);
  box.setInformativeText(
      WrappableText(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()))));
  QPushButton* continue_button =
      box.addButton(QStringLiteral("&Continue application"), QMessageBox::AcceptRole);
  QPushButton* close_button =
      box.addButton(QStringLiteral("C&lose application"), QMessageBox::DestructiveRole);
  box.setDefaultButton(continue_button);
  box.setEscapeButton(continue_button);
  box.exec();
  return box.clickedButton() == close_button ? TErrorChoice::CloseApplication
                                             : TErrorChoice::Continue;
}

std::string TQtReportFile::LocalTimeText() {
  return QDateTime::currentDateTime()
      .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
      .toUtf8()
      .toStdString();
}

void TQtReportFile::Append(const std::string& file_name, const std::string& text) {
  QFile file(QString::fromUtf8(file_name.c_str()));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
    return;
  file.write(text.data(), static_cast<qint64>(text.size()));
}

}  // namespace velmorra
