#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include "devices/sum_history.h"

class QLabel;

namespace zar {

class HistorySurface;
class MachineController;

// The "History of Memory Sum" window: a sizable window whose drawing surface
// fills the client area with an area chart of the last 513 memory sums, and a
// label with the current sum, maximum, minimum and their difference at its
// top-left corner. The controller records a sample in every step while the
// window is shown; closing the window only hides it, and the samples stay.
class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  explicit HistoryWindow(MachineController& controller, QWidget* parent = nullptr);

  // After a step recorded its sample: the label shows the new figures and the
  // plot is repainted (Qt merges repaints that pile up between two paints).
  void CalcDrawHistory(const HistoryStats& stats);

  QString LabelText() const;

  // The plot surface, label included, as it would be painted now.
  QImage Plot() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  MachineController& controller_;
  HistorySurface* surface_;
  QLabel* label_;
};

}  // namespace zar
