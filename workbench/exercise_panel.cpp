#include "workbench/exercise_panel.h"

#include <QHeaderView>
#include <QSplitter>
#include <QTableWidget>
#include <QTextBrowser>

namespace zar {

ExercisePanel::ExercisePanel(QWidget* parent)
    : QDockWidget("Exercise", parent), task_(new QTextBrowser), cases_(new QTableWidget(0, 2)) {
  setObjectName("exercisePanel");
  task_->setObjectName("exerciseTask");
  cases_->setObjectName("exerciseCases");
  cases_->setHorizontalHeaderLabels({"Case", "Result"});
  cases_->horizontalHeader()->setStretchLastSection(true);
  cases_->verticalHeader()->hide();
  cases_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  cases_->setSelectionBehavior(QAbstractItemView::SelectRows);
  auto* split = new QSplitter(Qt::Vertical);
  split->addWidget(task_);
  split->addWidget(cases_);
  setWidget(split);
  connect(cases_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    if (row < static_cast<int>(results_.size()) && !results_[row].passed) emit FailedCaseChosen(row);
  });
}

void ExercisePanel::SetExercise(Exercise exercise) {
  exercise_ = std::move(exercise);
  results_.clear();
  setWindowTitle("Exercise: " + QString::fromStdString(exercise_.title));
  task_->setMarkdown(QString::fromStdString(exercise_.task));
  cases_->setRowCount(static_cast<int>(exercise_.cases.size()));
  for (int row = 0; row < cases_->rowCount(); ++row) {
    cases_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(exercise_.cases[row].name)));
    cases_->setItem(row, 1, new QTableWidgetItem("not checked"));
  }
  cases_->resizeColumnToContents(0);
}

void ExercisePanel::ShowResults(const std::vector<CaseResult>& results) {
  results_ = results;
  for (int row = 0; row < cases_->rowCount() && row < static_cast<int>(results.size()); ++row) {
    const CaseResult& result = results[row];
    auto* item = new QTableWidgetItem(result.passed ? "PASS" : "FAIL: " + QString::fromStdString(result.failure));
    item->setForeground(result.passed ? QColor(0, 128, 0) : QColor(192, 0, 0));
    item->setToolTip(result.passed ? QString() : "Double-click to load this case into the machine");
    cases_->setItem(row, 1, item);
  }
}

void ExercisePanel::ShowFailure(const QString& why) {
  results_.clear();
  for (int row = 0; row < cases_->rowCount(); ++row) cases_->setItem(row, 1, new QTableWidgetItem(why));
}

}  // namespace zar
