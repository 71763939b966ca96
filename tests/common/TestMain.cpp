// Runs every GoogleTest case inside one QApplication on Qt's offscreen platform,
// so that rule tests and window tests share a single test program per subsystem.
#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleMock(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
