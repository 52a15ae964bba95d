#include "app/win32/win32_error_report.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "platform/win32/wide_text.h"

namespace velmorra {

namespace {

constexpr int kContinueButton = 100;
constexpr int kCloseButton = 101;

using TTaskDialogIndirect = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

TTaskDialogIndirect TaskDialogEntry() {
  HMODULE common_controls = GetModuleHandleW(L"comctl32.dll");
  if (common_controls == nullptr)
    return nullptr;
  return reinterpret_cast<TTaskDialogIndirect>(
      reinterpret_cast<void*>(GetProcAddress(common_controls, "TaskDialogIndirect")));
}

TErrorReport* crash_report = nullptr;

LONG WINAPI StoreUnhandledException(EXCEPTION_POINTERS* exception) {
  if (crash_report != nullptr && exception != nullptr && exception->ExceptionRecord != nullptr)
    crash_report->Store(DescribeException(*exception->ExceptionRecord));
  return EXCEPTION_EXECUTE_HANDLER;
}

std::string ModuleOfAddress(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module)) {
    return "an unknown module";
  }
  std::vector<wchar_t> name(32768, L'\0');
  const DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
  return length == 0 ? "an unknown module" : Narrow(std::wstring_view(name.data(), length));
}

}  // namespace

TErrorChoice TWin32ErrorDialog::ShowError(const std::string& message) {
  const std::wstring text = Widen(message);
  const std::wstring heading = Widen(kErrorReportHeading);
  if (TTaskDialogIndirect task_dialog = TaskDialogEntry()) {
    const TASKDIALOG_BUTTON buttons[] = {{kContinueButton, L"&Continue"},
                                         {kCloseButton, L"C&lose application"}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner_;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.pszWindowTitle = L"Velmorra";
    config.pszMainIcon = TD_ERROR_ICON;
    config.pszMainInstruction = heading.c_str();
    config.pszContent = text.c_str();
    config.cButtons = 2;
    config.pButtons = buttons;
    config.nDefaultButton = kContinueButton;
    int chosen = 0;
    if (SUCCEEDED(task_dialog(&config, &chosen, nullptr, nullptr)))
      return chosen == kCloseButton ? TErrorChoice::CloseApplication : TErrorChoice::Continue;
  }
  const std::wstring box_text =
      heading + L"\r\n\r\n" + text + L"\r\n\r\nOK continues, Cancel closes the application.";
  const int chosen = MessageBoxW(owner_, box_text.c_str(), L"Velmorra", MB_OKCANCEL | MB_ICONERROR);
  return chosen == IDCANCEL ? TErrorChoice::CloseApplication : TErrorChoice::Continue;
}

std::string TWin32ReportFile::LocalTimeText() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond);
  return text;
}

void TWin32ReportFile::Append(const std::string& file_name, const std::string& text) {
  HANDLE file = CreateFileW(Widen(file_name).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

void InstallCrashReport(TErrorReport& report) {
  crash_report = &report;
  SetUnhandledExceptionFilter(StoreUnhandledException);
}

std::string DescribeException(const EXCEPTION_RECORD& record) {
  char text[96];
  std::snprintf(text, sizeof(text), "Unhandled exception 0x%08lX at address %p in ",
                static_cast<unsigned long>(record.ExceptionCode), record.ExceptionAddress);
  return text + ModuleOfAddress(record.ExceptionAddress);
}

}  // namespace velmorra
