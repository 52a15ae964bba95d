#include <windows.h>
// after windows.h, which they build on
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/output_location.h"
#include "app/win32/main_form.h"
#include "app/win32/win32_error_report.h"
#include "app/window_command_line.h"
#include "platform/program_directory.h"
#include "platform/registry.h"
#include "platform/text_encoding.h"
#include "platform/user_folders.h"
#include "platform/win32/wide_text.h"

namespace {

// The arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; argv != nullptr && i < count; ++i) {
    arguments.push_back(
        velmorra::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(argv[i]))));
  }
  LocalFree(argv);
  return arguments;
}

// A program of the window has no console: what the command line asks for is said in a box, which
// wraps its lines itself. The text's lines are joined within paragraphs, save those that start
// with a space (usage lines, options).
void ShowText(const std::string& text, UINT icon) {
  std::string joined = text;
  for (size_t i = 1; i + 1 < joined.size(); ++i) {
    if (joined[i] == '\n' && joined[i - 1] != '\n' && joined[i + 1] != '\n' && joined[i + 1] != ' ')
      joined[i] = ' ';
  }
  MessageBoxW(nullptr, velmorra::Widen(joined).c_str(), L"Velmorra", MB_OK | icon);
}

}  // namespace

// Start and end in their order: what the command line asks for first; the crash report and OLE,
// then the window, whose creation shows discovery's messages before the window itself; the message
// loop until the window closes; OLE last.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace velmorra;
  using TAction = TWindowCommandLine::TAction;
  const TWindowCommandLine command = ParseWindowCommandLine(CommandLineArguments());
  if (command.Action == TAction::Help || command.Action == TAction::Version) {
    ShowText(command.Action == TAction::Help ? WindowUsage() : WindowVersion(), MB_ICONINFORMATION);
    return 0;
  }
  if (command.Action == TAction::Error) {
    ShowText("velmorra: " + command.Error + "\n\n" + WindowUsage(), MB_ICONERROR);
    return 2;
  }
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
    // A datastore named on the command line (a file dropped on the program's icon) is opened at
    // start.
    TWin32MainForm window(TWindowServices{.Registry = *registry,
                                          .Errors = errors,
                                          .OutputDirectory = output_directory,
                                          .GivenDatastore = command.Datastore});
    error_dialog.SetOwner(window.frmMain);
    if (!closing) {  // else the user closed the application from an error at start
      window.ShowCentred();
      exit_code = window.RunMessageLoop();
    }
    error_dialog.SetOwner(nullptr);
  }
  OleUninitialize();
  return closing ? 1 : exit_code;
}
