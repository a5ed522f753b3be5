#include "workbench/exercise_panel.h"

#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace zar {

namespace {

QString Points(double points) { return QString::number(points, 'g', 6); }

}  // namespace

ExercisePanel::ExercisePanel(QWidget* parent)
    : QDockWidget("Exercise", parent),
      task_(new QTextBrowser),
      hint_(new QPushButton("Show Hint")),
      cases_(new QTableWidget(0, 3)) {
  setObjectName("exercisePanel");
  task_->setObjectName("exerciseTask");
  hint_->setObjectName("exerciseHint");
  cases_->setObjectName("exerciseCases");
  cases_->setHorizontalHeaderLabels({"Case", "Points", "Result"});
  cases_->horizontalHeader()->setStretchLastSection(true);
  cases_->verticalHeader()->hide();
  cases_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  cases_->setSelectionBehavior(QAbstractItemView::SelectRows);
  auto* top = new QWidget;
  auto* column = new QVBoxLayout(top);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(task_);
  column->addWidget(hint_, 0, Qt::AlignLeft);
  auto* split = new QSplitter(Qt::Vertical);
  split->addWidget(top);
  split->addWidget(cases_);
  setWidget(split);
  connect(hint_, &QPushButton::clicked, this, [this] {
    if (hintsShown_ < exercise_.hints.size()) ++hintsShown_;
    ShowTask();
  });
  connect(cases_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    if (row < static_cast<int>(results_.size()) && !results_[row].passed) emit FailedCaseChosen(row);
  });
}

void ExercisePanel::SetExercise(Exercise exercise) {
  exercise_ = std::move(exercise);
  results_.clear();
  hintsShown_ = 0;
  setWindowTitle("Exercise: " + QString::fromStdString(exercise_.title));
  ShowTask();
  cases_->setRowCount(static_cast<int>(exercise_.cases.size()));
  cases_->setColumnHidden(PointsColumn, !exercise_.givesPoints);
  for (int row = 0; row < cases_->rowCount(); ++row) {
    cases_->setItem(row, NameColumn, new QTableWidgetItem(QString::fromStdString(exercise_.cases[row].name)));
    cases_->setItem(row, ResultColumn, new QTableWidgetItem("not checked"));
    ShowPoints(row, nullptr);
  }
  cases_->resizeColumnToContents(NameColumn);
  cases_->resizeColumnToContents(PointsColumn);
}

// The task, then the hints shown so far, each under its number.
void ExercisePanel::ShowTask() {
  QString markdown = QString::fromStdString(exercise_.task);
  for (std::size_t i = 0; i < hintsShown_; ++i) {
    markdown += QString("\n\n**Hint %1.** ").arg(i + 1) + QString::fromStdString(exercise_.hints[i]);
  }
  task_->setMarkdown(markdown);
  const std::size_t left = exercise_.hints.size() - hintsShown_;
  hint_->setVisible(!exercise_.hints.empty());
  hint_->setEnabled(left > 0);
  hint_->setText(left > 0 ? QString("Show Hint (%1 of %2)").arg(hintsShown_ + 1).arg(exercise_.hints.size())
                          : "All hints shown");
}

// What the case is worth; once checked, what it earned of that.
void ExercisePanel::ShowPoints(int row, const CaseResult* result) {
  const double worth = exercise_.cases[static_cast<std::size_t>(row)].points;
  const QString text = result == nullptr ? Points(worth) : Points(result->passed ? worth : 0) + " / " + Points(worth);
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cases_->setItem(row, PointsColumn, item);
}

void ExercisePanel::ShowResults(const std::vector<CaseResult>& results) {
  results_ = results;
  for (int row = 0; row < cases_->rowCount() && row < static_cast<int>(results.size()); ++row) {
    const CaseResult& result = results[row];
    auto* item = new QTableWidgetItem(result.passed ? "PASS" : "FAIL: " + QString::fromStdString(result.failure));
    item->setForeground(result.passed ? QColor(0, 128, 0) : QColor(192, 0, 0));
    item->setToolTip(result.passed ? QString() : item->text() + "\nDouble-click to load this case into the machine");
    cases_->setItem(row, ResultColumn, item);
    ShowPoints(row, &result);
  }
  cases_->resizeColumnToContents(PointsColumn);
}

void ExercisePanel::ShowFailure(const QString& why) {
  results_.clear();
  const CaseResult failed;
  for (int row = 0; row < cases_->rowCount(); ++row) {
    cases_->setItem(row, ResultColumn, new QTableWidgetItem(why));
    ShowPoints(row, &failed);
  }
}

}  // namespace zar
