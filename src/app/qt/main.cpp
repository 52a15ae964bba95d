#include <QCoreApplication>
#include <QIcon>
#include <iostream>
#include <string>
#include <vector>

#include "app/output_location.h"
#include "app/qt/application.h"
#include "app/qt/main_form.h"
#include "app/qt/qt_error_report.h"
#include "app/window_command_line.h"
#include "platform/program_directory.h"
#include "platform/registry.h"
#include "platform/user_folders.h"

namespace {

// The program's icon, from the sizes built into the program.
QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/velmorra-%1.png").arg(size), QSize(size, size));
  return icon;
}

velmorra::TWindowCommandLine CommandLine(int argc, char** argv) {
  return velmorra::ParseWindowCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velmorra;
  using TAction = TWindowCommandLine::TAction;
  // Help and version need no display: they are answered before the application starts.
  const TWindowCommandLine asked = CommandLine(argc, argv);
  if (asked.Action == TAction::Help || asked.Action == TAction::Version) {
    std::cout << (asked.Action == TAction::Help ? WindowUsage() : WindowVersion());
    return 0;
  }
  TVelmorraApplication application(argc, argv);
  // QApplication has taken its own options (-style, -platform, …) out of argv; what is left names
  // a datastore.
  const TWindowCommandLine command = CommandLine(argc, argv);
  if (command.Action == TAction::Error) {
    std::cerr << "velmorra: " << command.Error << "\n" << WindowUsage();
    return 2;
  }
  TVelmorraApplication::setDesktopFileName(QStringLiteral("org.velmorra.Velmorra"));
  TVelmorraApplication::setWindowIcon(ProgramIcon());
  // Beside the program, or in the documents folder when the program is installed.
  const std::string output_directory =
      WindowOutputDirectory(ProgramDirectory(), DocumentsDirectory());
  bool closing = false;
  TQtErrorDialog error_dialog;
  TQtReportFile report_file;
  TErrorReport errors(error_dialog, report_file, output_directory, [&closing] {
    closing = true;
    QCoreApplication::exit(1);
  });
  application.SetErrorReport(&errors);

  std::unique_ptr<IRegistry> registry = OpenCurrentUserRegistry();
  TfrmMainWidget window(TWindowServices{.Registry = *registry,
                                        .Errors = errors,
                                        .OutputDirectory = output_directory,
                                        .GivenDatastore = command.Datastore});
  if (closing)
    return 1;  // the user closed the application from an error at start
  window.ShowCentred();
  return QCoreApplication::exec();
}
