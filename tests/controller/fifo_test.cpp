// The desktop never waits on a file: a FIFO with nobody at its other end is
// reported at once, loaded from or saved to.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>

#include "controller/machine_controller.h"
#include "support/temp_folder.h"

namespace zar {
namespace {

TEST(ControllerFiles, AFifoWithNobodyAtTheOtherEndIsReportedAtOnce) {
  test::TempFolder temp;
  const std::filesystem::path fifo = temp.File("pipe.oisc");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  MachineController controller;
  QStringList failures;
  QObject::connect(&controller, &MachineController::FileFailed, [&](const QString& why) { failures << why; });
  const MemoryCells before = controller.State().Memory;
  ::alarm(20);  // a blocked call ends the test instead of hanging it
  QElapsedTimer clock;
  clock.start();
  controller.LoadProgram(fifo);
  controller.SaveProgram(fifo);
  ::alarm(0);
  EXPECT_LT(clock.elapsed(), 5000);
  ASSERT_EQ(failures.size(), 2);
  EXPECT_TRUE(failures[0].endsWith("nothing to read from this pipe")) << failures[0].toStdString();
  EXPECT_TRUE(failures[1].endsWith("no program is reading this pipe")) << failures[1].toStdString();
  EXPECT_EQ(controller.State().Memory, before);
}

}  // namespace
}  // namespace zar
