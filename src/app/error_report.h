#pragma once

#include <exception>
#include <functional>
#include <string>

namespace velmorra {

// What the user chose after an error.
enum class TErrorChoice { Continue, CloseApplication };

// The dialog that shows an error nobody handled: headed kErrorReportHeading, with the error's text
// and a choice between continuing and closing the application. Modal.
class IErrorDialog {
 public:
  virtual ~IErrorDialog() = default;
  virtual TErrorChoice ShowError(const std::string& message) = 0;
};

// Where reports are kept. Both operations may fail silently: a report that cannot be stored is
// still shown.
class IReportFile {
 public:
  virtual ~IReportFile() = default;
  // The local date and time, as "YYYY-MM-DD hh:mm:ss".
  virtual std::string LocalTimeText() = 0;
  // Appends `text` to the file `file_name`, creating it when it is missing.
  virtual void Append(const std::string& file_name, const std::string& text) = 0;
};

inline constexpr char kErrorReportHeading[] = "An error occurred in the application.";
inline constexpr char kErrorReportFileName[] = "bugreport.txt";
// What is reported for a thrown object that is no std::exception.
inline constexpr char kUnknownErrorText[] = "An unknown error was raised.";

// The application's last line of defence: an error that escapes an operation started from the
// window is appended to "bugreport.txt" in `report_directory` (ending in a separator), shown in
// the dialog, and then either the program goes on or `close_application` is called. The
// references must outlive the report.
class TErrorReport {
 public:
  TErrorReport(IErrorDialog& dialog, IReportFile& file, std::string report_directory,
               std::function<void()> close_application);

  // Stores and shows one error. Never throws.
  void Report(const std::string& message) noexcept;
  // Only stores one error, for a program that is about to end. Never throws.
  void Store(const std::string& message) noexcept;

  // Runs `action`; an exception that escapes it is reported and swallowed. True when `action`
  // ran to its end.
  template <typename TAction>
  bool Guard(TAction&& action) noexcept {
    try {
      action();
      return true;
    } catch (const std::exception& error) {
      Report(error.what());
    } catch (...) {
      Report(kUnknownErrorText);
    }
    return false;
  }

  std::string ReportFileName() const { return report_directory_ + kErrorReportFileName; }

 private:
  IErrorDialog& dialog_;
  IReportFile& file_;
  std::string report_directory_;
  std::function<void()> close_application_;
};

}  // namespace velmorra
