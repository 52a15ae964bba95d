#pragma once

#include <QWidget>

#include "app/error_report.h"

namespace velmorra {

// The error dialog: an error icon, kErrorReportHeading, the error's text, and the buttons
// "Continue application" (also Escape) and "Close application".
class TQtErrorDialog : public IErrorDialog {
 public:
  TErrorChoice ShowError(const std::string& message) override;
};

// Reports kept as text files; a file that cannot be opened or written is left alone.
class TQtReportFile : public IReportFile {
 public:
  std::string LocalTimeText() override;
  void Append(const std::string& file_name, const std::string& text) override;
};

}  // namespace velmorra
