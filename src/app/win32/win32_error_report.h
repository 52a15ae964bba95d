#pragma once

#include <windows.h>

#include "app/error_report.h"

namespace velmorra {

// The error dialog: a task dialog headed kErrorReportHeading with the error's text and the
// buttons "Continue" (also Escape) and "Close application"; a message box with OK and Cancel where
// task dialogs are missing (common controls before version 6).
class TWin32ErrorDialog : public IErrorDialog {
 public:
  TErrorChoice ShowError(const std::string& message) override;
  // The window that owns the dialog from now on; nullptr for none.
  void SetOwner(HWND owner) { owner_ = owner; }

 private:
  HWND owner_ = nullptr;
};

// Reports kept as text files, appended through CreateFileW; a file that cannot be opened or
// written is left alone.
class TWin32ReportFile : public IReportFile {
 public:
  std::string LocalTimeText() override;
  void Append(const std::string& file_name, const std::string& text) override;
};

// Makes `report` the store of structured exceptions that nothing handles
// (SetUnhandledExceptionFilter): such an exception is described, stored, and the program ends.
// `report` must live until the program ends.
void InstallCrashReport(TErrorReport& report);

// The text stored for an unhandled structured exception: its code, its address and the module
// the address lies in.
std::string DescribeException(const EXCEPTION_RECORD& record);

}  // namespace velmorra
