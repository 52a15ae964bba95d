#include <QCoreApplication>
#include <QIcon>

#include "app/output_location.h"
#include "app/qt/application.h"
#include "app/qt/main_form.h"
#include "app/qt/qt_error_report.h"
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

}  // namespace

int main(int argc, char** argv) {
  using namespace velmorra;
  TVelmorraApplication application(argc, argv);
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
  TfrmMainWidget window(TWindowServices{*registry, errors, output_directory});
  // QApplication has taken its own options out of argv; what is left names a datastore.
  if (!closing && argc > 1)
    window.Form().OpenGivenDatastore(argv[1]);
  if (closing)
    return 1;  // the user closed the application from an error at start
  window.ShowCentred();
  return QCoreApplication::exec();
}
