// velmorra-window-bench DATASTORE OUTPUT_DIR [RUNS]: times the Qt window's conversion of all the
// phones of DATASTORE, from a click on Convert to the notice of what it wrote, RUNS times (default
// 1), and prints for each run a line "WALL CPU": the seconds it took and the processor seconds
// (user and system, all threads) the program spent meanwhile. The window runs on Qt's offscreen
// platform unless QT_QPA_PLATFORM names another. For bench/window_benchmark.sh.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "app/qt/main_form.h"
#include "app/qt/qt_error_report.h"
#include "platform/registry.h"

namespace {

// Message boxes that say their text on standard error instead, so that a failure ends the run
// rather than waiting for a click.
class TFailures : public velmorra::IMessageBoxes {
 public:
  void ShowMessage(velmorra::TMessageBoxKind, const std::string& text) override {
    std::fprintf(stderr, "velmorra-window-bench: %s\n", text.c_str());
    Any = true;
  }
  bool Any = false;
};

// Handles the window's events until `done` holds.
template <typename TDone>
void RunUntil(TDone done) {
  while (!done())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velmorra;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc < 3) {
    std::fputs("Usage: velmorra-window-bench DATASTORE OUTPUT_DIR [RUNS]\n", stderr);
    return 2;
  }
  const int runs = argc > 3 ? std::stoi(argv[3]) : 1;
  TQtErrorDialog error_dialog;
  TQtReportFile report_file;
  TErrorReport errors(error_dialog, report_file, argv[2], [] {});
  std::unique_ptr<IRegistry> registry = OpenCurrentUserRegistry();
  TFailures failures;
  TfrmMainWidget window(TWindowServices{.Registry = *registry,
                                        .Errors = errors,
                                        .OutputDirectory = argv[2],
                                        .GivenDatastore = argv[1],
                                        .Messages = &failures});
  window.ShowCentred();
  RunUntil([&] { return window.cmboxMobile->isEnabled(); });  // its phones are read
  for (int run = 0; run < runs; ++run) {
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpu_start = std::clock();
    window.cmdConvert->click();
    RunUntil([&] {
      return failures.Any || window.Label2->text().contains(QStringLiteral("messages saved to"));
    });
    if (failures.Any)
      return 1;
    std::printf("%.3f %.3f\n", static_cast<double>(timer.nsecsElapsed()) / 1e9,
                static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC);
    std::fflush(stdout);
    window.Label2->clear();
  }
  return 0;
}
