#include "app/qt/application.h"

#include <exception>

namespace velmorra {

bool TVelmorraApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    Report(error.what());
  } catch (...) {
    Report(kUnknownErrorText);
  }
  return false;
}

void TVelmorraApplication::Report(const char* message) {
  if (report_ != nullptr) {
    report_->Report(message);
  } else {
    qWarning("%s %s", kErrorReportHeading, message);
  }
}

}  // namespace velmorra
