#pragma once

#include <QMdiSubWindow>

#include <vector>

#include "assembler/stage_report.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace zar {

// The fourth child window of the workbench: every message of the last
// command with its source line and reason, then its warnings. It shows
// itself when a command has messages or warnings and hides when one has
// none; a double click on one chooses its line.
// The workbench's layout leaves it where the user puts it.
class MessagesWindow : public QMdiSubWindow {
  Q_OBJECT

 public:
  explicit MessagesWindow(QWidget* parent = nullptr);

  void ShowMessages(const std::vector<StageMessage>& messages, const std::vector<StageMessage>& warnings);

 signals:
  void LineChosen(int line);

 private:
  void Add(const StageMessage& message, const QString& prefix);
  void Choose(const QTreeWidgetItem* item);
  // The first time it shows: over the lower right of the workbench.
  void PlaceFirstTime();

  QTreeWidget* list_;
  bool placed_ = false;
};

}  // namespace zar
