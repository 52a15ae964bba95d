#pragma once

#include <QApplication>

#include "app/error_report.h"

namespace velmorra {

// The application object. Its notify() is the last guard: an exception that escapes any event
// handler goes to the error report (when one is set) and never into Qt's event loop.
class TVelmorraApplication : public QApplication {
 public:
  TVelmorraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  // `report` must outlive its use here; nullptr drops reports after a warning on the console.
  void SetErrorReport(TErrorReport* report) { report_ = report; }
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void Report(const char* message);

  TErrorReport* report_ = nullptr;
};

}  // namespace velmorra
