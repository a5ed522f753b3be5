#pragma once

#include <QDockWidget>

#include <vector>

#include "exercise/exercise.h"

class QPushButton;
class QTableWidget;
class QTextBrowser;

namespace zar {

// The exercise beside the source: its task with the hints shown so far
// ("Show Hint" shows the next one), and the cases with their points, where
// the exercise gives them, and how the last check went. A double click on a
// failed case asks for its inputs in the machine.
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
  QTextBrowser& Task() { return *task_; }
  QPushButton& HintButton() { return *hint_; }

  // The columns of the case table; the points are hidden unless the
  // exercise gives them.
  static constexpr int NameColumn = 0;
  static constexpr int PointsColumn = 1;
  static constexpr int ResultColumn = 2;

 signals:
  void FailedCaseChosen(int index);

 private:
  Exercise exercise_;
  void ShowTask();
  void ShowPoints(int row, const CaseResult* result);

  std::vector<CaseResult> results_;
  std::size_t hintsShown_ = 0;
  QTextBrowser* task_;
  QPushButton* hint_;
  QTableWidget* cases_;
};

}  // namespace zar
