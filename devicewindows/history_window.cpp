#include "devicewindows/history_window.h"

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
  // The area is filled strip by strip, one four-cornered strip from each
  // sample to the next, and then outlined: the same pixels as filling the
  // outline polygon itself, but a polygon of 514 corners this narrow costs
  // the rasterizer several times as much, at every frame of a run. A
  // cosmetic pen keeps the outline one pixel wide whatever the scale, so a
  // flat history still shows as a line along the bottom edge.
  void DrawAreaChart(QPainter& painter) const {
    const QPolygonF curve = SampleCurve(history_.Samples(), *stats_);
    painter.setTransform(PlotTransform(size()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int i = 0; i + 1 < SumHistory::Plot; ++i) {
      const QPointF strip[4] = {QPointF(i, PlotBottom), curve[i], curve[i + 1], QPointF(i + 1, PlotBottom)};
      painter.drawConvexPolygon(strip, 4);
    }
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(AreaUnderBars(curve));
    // The newest sample has no bar of its own, only the segment leading to it.
    painter.drawLine(curve[SumHistory::Size - 2], curve[SumHistory::Size - 1]);
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
