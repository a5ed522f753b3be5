#pragma once

#include <QDockWidget>

#include <vector>

#include "exercise/exercise.h"

class QTableWidget;
class QTextBrowser;

namespace zar {

// The exercise beside the source: its task, and the cases with how the last
// check went. A double click on a failed case asks for its inputs in the
// machine.
class ExercisePanel : public QDockWidget {
  Q_OBJECT

 public:
  explicit ExercisePanel(QWidget* parent = nullptr);

  const Exercise& Current() const { return exercise_; }
  bool HasExercise() const { return !exercise_.cases.empty(); }
  void SetExercise(Exercise exercise);
  // One result for each case, in order.
  void ShowResults(const std::vector<CaseResult>& results);
  // The source did not assemble: every case fails for that.
  void ShowFailure(const QString& why);
  QTableWidget& Cases() { return *cases_; }

 signals:
  void FailedCaseChosen(int index);

 private:
  Exercise exercise_;
  std::vector<CaseResult> results_;
  QTextBrowser* task_;
  QTableWidget* cases_;
};

}  // namespace zar
