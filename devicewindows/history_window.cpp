#include "devicewindows/history_window.h"

#include <algorithm>
#include <optional>

#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPolygonF>
#include <QResizeEvent>

#include "controller/machine_controller.h"

namespace zar {

namespace {

constexpr int InitialClientWidth = 313;
constexpr int InitialClientHeight = 210;

// The bottom edge of the plot in plot units.
constexpr double PlotBottom = SumHistory::Plot;

// Sample i at x = i, at the height its value earns between minimum and maximum.
QPolygonF SampleCurve(const std::array<std::int32_t, SumHistory::Size>& samples, const HistoryStats& stats) {
  QPolygonF curve;
  curve.reserve(SumHistory::Size);
  for (int i = 0; i < SumHistory::Size; ++i) curve.append(QPointF(i, PlotY(samples[i], stats)));
  return curve;
}

// The outline of the bars at x = 0..511, each rising from the bottom to its
// sample, joined by the curve: one polygon instead of 512 bars and 512 segments.
QPolygonF AreaUnderBars(const QPolygonF& curve) {
  const int lastBar = SumHistory::Plot - 1;
  QPolygonF area;
  area.reserve(lastBar + 3);
  area.append(QPointF(0, PlotBottom));
  for (int i = 0; i <= lastBar; ++i) area.append(curve[i]);
  area.append(QPointF(lastBar, PlotBottom));
  return area;
}

// Stretches the 512 x 512 plot units over the surface, so that the bottom unit
// row lands on the last pixel row and the newest sample on the last column.
QTransform PlotTransform(const QSize& size) {
  QTransform transform;
  transform.scale((size.width() - 1) / PlotBottom, (size.height() - 1) / PlotBottom);
  return transform;
}

}  // namespace

// The drawing surface "p1". It keeps no picture of its own: every paint draws
// the chart afresh from the history's samples and the figures of the last
// recorded step, so it always fits the surface's current size.
class HistorySurface : public QWidget {
 public:
  HistorySurface(const SumHistory& history, QWidget* parent) : QWidget(parent), history_(history) {
    setObjectName("p1");
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  void ShowStats(const HistoryStats& stats) {
    stats_ = stats;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (stats_) DrawAreaChart(painter);
  }

 private:
  // A cosmetic pen keeps the outline one pixel wide whatever the scale, so a
  // flat history still shows as a line along the bottom edge.
  void DrawAreaChart(QPainter& painter) const {
    const QPolygonF curve = SampleCurve(history_.Samples(), *stats_);
    painter.setTransform(PlotTransform(size()));
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::black);
    if (Turns(curve) > ManyTurns) {
      FillInPieces(painter, curve);
      painter.setBrush(Qt::NoBrush);
    }
    painter.drawPolygon(AreaUnderBars(curve));
    // The newest sample has no bar of its own, only the segment leading to it.
    painter.drawLine(curve[SumHistory::Size - 2], curve[SumHistory::Size - 1]);
  }

  // A curve that turns up and down this often crosses each pixel row many
  // times, and the rasterizer's cost grows with the square of the crossings
  // per row: its area is filled in pieces of PieceBars bars, then outlined.
  // That gives the same pixels as filling the outline polygon itself, at a
  // fraction of the cost; a calm curve is cheaper as one polygon.
  static constexpr int ManyTurns = 32;
  static constexpr int PieceBars = 32;

  static int Turns(const QPolygonF& curve) {
    int turns = 0;
    for (int i = 1; i + 1 < SumHistory::Plot; ++i) {
      const double before = curve[i].y() - curve[i - 1].y();
      const double after = curve[i + 1].y() - curve[i].y();
      turns += (before < 0 && after > 0) || (before > 0 && after < 0);
    }
    return turns;
  }

  static void FillInPieces(QPainter& painter, const QPolygonF& curve) {
    painter.save();
    painter.setPen(Qt::NoPen);
    const int lastBar = SumHistory::Plot - 1;
    QPolygonF piece;
    piece.reserve(PieceBars + 3);
    for (int first = 0; first < lastBar; first += PieceBars) {
      const int last = std::min(first + PieceBars, lastBar);
      piece.clear();
      piece.append(QPointF(first, PlotBottom));
      for (int i = first; i <= last; ++i) piece.append(curve[i]);
      piece.append(QPointF(last, PlotBottom));
      painter.drawPolygon(piece);
    }
    painter.restore();
  }

  const SumHistory& history_;
  std::optional<HistoryStats> stats_;  // none until the first recorded step
};

HistoryWindow::HistoryWindow(MachineController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window),
      controller_(controller),
      surface_(new HistorySurface(controller.History(), this)),
      label_(new QLabel(surface_)) {
  setObjectName("Form5");
  setWindowTitle("History of Memory Sum");
  resize(InitialClientWidth, InitialClientHeight);
  surface_->setGeometry(rect());
  label_->setObjectName("Label1");
  label_->move(0, 0);
  // The label sits on an opaque patch of the surface's background, so the
  // chart never runs through its text.
  label_->setBackgroundRole(QPalette::Button);
  label_->setAutoFillBackground(true);
  // After steps and after a step back the samples are shown as they are;
  // while the window is visible every step takes one.
  for (const auto signal : {&MachineController::Stepped, &MachineController::StateReplaced}) {
    connect(&controller, signal, this, [this] {
      if (isVisible()) CalcDrawHistory(controller_.History().Stats());
    });
  }
}

void HistoryWindow::CalcDrawHistory(const HistoryStats& stats) {
  label_->setText(QString::fromStdString(HistoryLabelText(stats)));
  label_->adjustSize();
  surface_->ShowStats(stats);
}

QString HistoryWindow::LabelText() const { return label_->text(); }

QImage HistoryWindow::Plot() const { return surface_->grab().toImage(); }

void HistoryWindow::resizeEvent(QResizeEvent* event) {
  surface_->setGeometry(QRect(QPoint(0, 0), event->size()));
  QWidget::resizeEvent(event);
}

void HistoryWindow::showEvent(QShowEvent* event) {
  controller_.SetHistoryWatched(true);
  QWidget::showEvent(event);
}

// Minimising hides the window only as far as the window system is concerned;
// it stays shown and keeps taking samples, as closing or hiding it does not.
void HistoryWindow::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) controller_.SetHistoryWatched(false);
  QWidget::hideEvent(event);
}

}  // namespace zar
