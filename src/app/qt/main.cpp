#include <QCoreApplication>

#include "app/qt/application.h"
#include "app/qt/main_form.h"
#include "app/qt/qt_error_report.h"
#include "platform/program_directory.h"
#include "platform/registry.h"

int main(int argc, char** argv) {
  using namespace velmorra;
  TVelmorraApplication application(argc, argv);
  bool closing = false;
  TQtErrorDialog error_dialog;
  TQtReportFile report_file;
  TErrorReport errors(error_dialog, report_file, ProgramDirectory(), [&closing] {
    closing = true;
    QCoreApplication::exit(1);
  });
  application.SetErrorReport(&errors);

  std::unique_ptr<IRegistry> registry = OpenCurrentUserRegistry();
  TfrmMainWidget window(TWindowServices{*registry, errors, ProgramDirectory()});
  if (closing)
    return 1;  // the user closed the application from an error at start
  window.ShowCentred();
  return QCoreApplication::exec();
}
