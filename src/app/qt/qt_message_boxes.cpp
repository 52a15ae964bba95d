#include "app/qt/qt_message_boxes.h"

#include <QMessageBox>

namespace velmorra {

void TQtMessageBoxes::ShowMessage(TMessageBoxKind kind, const std::string& text) {
  const bool error = kind == TMessageBoxKind::Error;
  QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Warning,
                  error ? QStringLiteral("Error") : QStringLiteral("Warning"), shown,
                  QMessageBox::Ok, parent_);
  box.exec();
}

}  // namespace velmorra
