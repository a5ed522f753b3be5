#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>

#include <string>

#include "desktop/desktop.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

namespace zar::test {

// The whole desktop with scripted dialogs and a fresh folder, for tests that
// use the windows as a person does.
class DesktopTest : public testing::Test {
 protected:
  template <typename T>
  static T* Find(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  static void Trigger(const QObject& window, const char* action) { Find<QAction>(window, action)->trigger(); }
  void Click(const char* button) { Find<QPushButton>(window, button)->click(); }
  QString Path(const std::string& name) const { return QString::fromStdString(temp.File(name).string()); }

  TempFolder temp;
  FakeDialogs dialogs;
  Desktop desktop{dialogs};
  MainWindow& window = desktop.Main();
  MachineController& controller = desktop.Controller();
  const Machine& machine = controller.State();
};

}  // namespace zar::test
