#pragma once

#include <QStringList>

#include "platform/dialogs.h"

namespace zar::test {

// Answers file dialogs from a script (an empty answer is a cancel) and
// records every message instead of showing it.
class FakeDialogs : public Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString& filter, const QString& startPath) override {
    return Answer(filter, startPath);
  }
  QString SaveFileName(QWidget*, const QString& filter, const QString& startPath) override {
    return Answer(filter, startPath);
  }
  void ShowMessage(QWidget*, const QString& text) override { messages.append(text); }

  QStringList answers;
  QStringList messages;
  QString lastFilter;
  QString lastStartPath;

 private:
  QString Answer(const QString& filter, const QString& startPath) {
    lastFilter = filter;
    lastStartPath = startPath;
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
};

}  // namespace zar::test
