#include "app/qt/qt_message_boxes.h"

#include <QMessageBox>

namespace velmorra {

QString WrappableText(const QString& text) {
  constexpr int kLongestRun = 40;
  QString wrappable;
  int run = 0;
  for (const QChar c : text) {
    if (c.isSpace()) {
      run = 0;
    } else if (++run > kLongestRun && !c.isLowSurrogate()) {
      wrappable += QChar(0x200B);
      run = 1;
    }
    wrappable += c;
  }
  return wrappable;
}

void TQtMessageBoxes::ShowMessage(TMessageBoxKind kind, const std::string& text) {
  const bool error = kind == TMessageBoxKind::Error;
  QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Warning,
                  error ? QStringLiteral("Error") : QStringLiteral("Warning"), WrappableText(shown),
                  QMessageBox::Ok, parent_);
  box.exec();
}

}  // namespace velmorra
