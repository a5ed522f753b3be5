#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include "devices/sum_history.h"
#include "machine/machine.h"

class QLabel;

namespace zar {

class HistorySurface;

// The "History of Memory Sum" window: a sizable window whose drawing surface
// fills the client area with an area chart of the last 513 memory sums, and a
// label with the current sum, maximum, minimum and their difference at its
// top-left corner. The samples belong to the history, not to the window;
// closing the window only hides it and keeps them.
class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  HistoryWindow(SumHistory& history, const MemoryCells& memory, QWidget* parent = nullptr);

  // Called after every machine step. A hidden window takes no sample; a
  // visible one records the memory sum, updates the label and has the plot
  // repainted (Qt merges repaints that pile up between two paints).
  void CalcDrawHistory();

  QString LabelText() const;

  // The plot surface, label included, as it would be painted now.
  QImage Plot() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  SumHistory& history_;
  const MemoryCells& memory_;
  HistorySurface* surface_;
  QLabel* label_;
};

}  // namespace zar
