#include <gtest/gtest.h>

#include <QApplication>

// Desktop tests run on Qt's offscreen platform unless told otherwise, so they
// need no display, and share one application object.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("ZAR");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
