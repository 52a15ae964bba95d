#include <gtest/gtest.h>

#include "app/qt/application.h"

// Window tests need the application object for the whole run; it is the program's own, so that
// its last guard is tested too. Listing the tests needs no display, so offscreen is the default.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  velmorra::TVelmorraApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
