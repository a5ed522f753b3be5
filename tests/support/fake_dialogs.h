#pragma once

#include <QMap>
#include <QStringList>

#include "ui/dialogs.h"

namespace zar::test {

// Answers file dialogs from a script (an empty answer is a cancel) and
// records every message instead of showing it.
class FakeDialogs : public Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString&, const QString& start) override { return Answer(start); }
  QString SaveFileName(QWidget*, const QString&, const QString& start) override { return Answer(start); }
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
  QMap<QString, QString> details;  // of the messages shown with details
  QString lastStartPath;
  SaveChoice saveChoice = SaveChoice::Cancel;
  bool confirm = false;

 private:
  QString Answer(const QString& startPath) {
    lastStartPath = startPath;
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
};

}  // namespace zar::test
