#include <windows.h>
// after windows.h, which they build on
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>

#include "app/output_location.h"
#include "app/win32/main_form.h"
#include "app/win32/win32_error_report.h"
#include "platform/program_directory.h"
#include "platform/registry.h"
#include "platform/text_encoding.h"
#include "platform/user_folders.h"

// Start and end in their order: the crash report and OLE first, then the window, whose creation
// shows discovery's and the first phone list's messages before the window itself; the message
// loop until the window closes; OLE last.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace velmorra;
  TWin32ErrorDialog error_dialog;
  TWin32ReportFile report_file;
  const std::string output_directory =
      WindowOutputDirectory(ProgramDirectory(), DocumentsDirectory());
  bool closing = false;
  TErrorReport errors(error_dialog, report_file, output_directory, [&closing] {
    closing = true;
    PostQuitMessage(1);
  });
  InstallCrashReport(errors);
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX common_controls{sizeof(common_controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common_controls);

  int exit_code = 1;
  {
    std::unique_ptr<IRegistry> registry = OpenCurrentUserRegistry();
    TWin32MainForm window(TWindowServices{*registry, errors, output_directory});
    error_dialog.SetOwner(window.frmMain);
    // A datastore named on the command line (a file dropped on the program's icon).
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!closing && argv != nullptr && argc > 1)
      window.Form().OpenGivenDatastore(
          Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(argv[1]))));
    LocalFree(argv);
    if (!closing) {  // else the user closed the application from an error at start
      window.ShowCentred();
      exit_code = window.RunMessageLoop();
    }
    error_dialog.SetOwner(nullptr);
  }
  OleUninitialize();
  return closing ? 1 : exit_code;
}
