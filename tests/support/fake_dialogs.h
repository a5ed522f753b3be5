#pragma once

#include <QMap>
#include <QStringList>

#include "ui/dialogs.h"

namespace zar::test {

// Answers file dialogs from a script (an empty answer is a cancel) and
// records every message instead of showing it.
class FakeDialogs : public Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString& filter, const QString& start) override { return Answer(filter, start); }
  QString SaveFileName(QWidget*, const QString& filter, const QString& start) override { return Answer(filter, start); }
  void ShowMessage(QWidget*, const QString& text) override { messages.append(text); }
  void ShowMessage(QWidget*, const QString& text, const QString& more) override {
    messages.append(text);
    details[text] = more;
  }
  bool Confirm(QWidget*, const QString& text) override {
    messages.append(text);
    return confirm;
  }
  SaveChoice AskToSave(QWidget*, const QString& text) override {
    messages.append(text);
    return saveChoice;
  }
  NetworkErrorChoice ShowNetworkError(const QString& text) override {
    messages.append(text);
    return networkChoice;
  }
  bool AnyOpen() const override { return anyOpen; }

  QStringList answers, messages;
  QMap<QString, QString> details;  // of the messages shown with details
  QString lastFilter, lastStartPath;
  NetworkErrorChoice networkChoice = NetworkErrorChoice::Ok;
  SaveChoice saveChoice = SaveChoice::Cancel;
  bool anyOpen = false;
  bool confirm = false;

 private:
  QString Answer(const QString& filter, const QString& startPath) {
    lastFilter = filter;
    lastStartPath = startPath;
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
};

}  // namespace zar::test
