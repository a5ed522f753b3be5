#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QMap>
#include <QPushButton>
#include <QStringList>

#include <string>

#include "desktop/desktop.h"
#include "ui/dialogs.h"
#include "support/temp_folder.h"

namespace zar::test {

// Answers file dialogs from a script (an empty answer is a cancel) and
// records every message instead of showing it.
class FakeDialogs : public Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString&, const QString& startPath) override {
    lastStartPath = startPath;
    return Answer();
  }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return Answer(); }
  void ShowMessage(QWidget*, const QString& text) override { messages.append(text); }
  void ShowMessage(QWidget*, const QString& text, const QString& more) override {
    messages.append(text);
    details[text] = more;
  }
  bool Confirm(QWidget*, const QString& text) override { return messages.append(text), confirm; }
  SaveChoice AskToSave(QWidget*, const QString& text) override { return messages.append(text), saveChoice; }
  NetworkErrorChoice ShowNetworkError(const QString& text) override {
    return messages.append(text), NetworkErrorChoice::Ok;
  }
  bool AnyOpen() const override { return false; }

  QStringList answers, messages;
  QString lastStartPath;           // where the last open dialog started
  QMap<QString, QString> details;  // of the messages shown with details
  SaveChoice saveChoice = SaveChoice::Cancel;
  bool confirm = false;

 private:
  QString Answer() { return answers.isEmpty() ? QString() : answers.takeFirst(); }
};

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
