#include "app/error_report.h"

#include <utility>

#include "version.h"

namespace velmorra {

TErrorReport::TErrorReport(IErrorDialog& dialog, IReportFile& file, std::string report_directory,
                           std::function<void()> close_application)
    : dialog_(dialog),
      file_(file),
      report_directory_(std::move(report_directory)),
      close_application_(std::move(close_application)) {}

void TErrorReport::Store(const std::string& message) noexcept {
  try {
    const std::string text = "Time: " + file_.LocalTimeText() + "\n" + "Program: Velmorra " +
                             VELMORRA_VERSION + "\n" + "Error: " + message + "\n\n";
    file_.Append(ReportFileName(), text);
  } catch (...) {
  }
}

void TErrorReport::Report(const std::string& message) noexcept {
  // Each step is guarded on its own: failing to store the report must not hide it from the user,
  // and a failing dialog must not lose the stored report.
  Store(message);
  TErrorChoice choice = TErrorChoice::Continue;
  try {
    choice = dialog_.ShowError(message);
  } catch (...) {
  }
  if (choice == TErrorChoice::CloseApplication && close_application_) {
    try {
      close_application_();
    } catch (...) {
    }
  }
}

}  // namespace velmorra
