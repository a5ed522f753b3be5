#include "devicewindows/network_window.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "controller/machine_controller.h"
#include "ui/app_info.h"

namespace zar {

NetworkWindow::NetworkWindow(MachineController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window),
      controller_(controller),
      state_(new QLabel(this)),
      why_(new QLabel("Idle because Tools > \"Network enabled\" is off: network commands are dropped.", this)),
      traffic_(new QLabel(this)),
      log_(new QPlainTextEdit(this)) {
  setObjectName("NetworkWindow");
  setWindowTitle("Network");
  resize(480, 300);
  log_->setReadOnly(true);
  log_->setFont(FixedFont(8.25));
  log_->setMaximumBlockCount(TcpNetworkPort::LogLines);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(state_);
  layout->addWidget(why_);
  why_->hide();
  layout->addWidget(traffic_);
  layout->addWidget(log_);
  connect(&controller, &MachineController::NetworkLogged, this, &NetworkWindow::AddEvent);
  connect(&controller, &MachineController::NetworkTraffic, this, &NetworkWindow::ShowTraffic);
  connect(&controller, &MachineController::NetworkSwitched, this, [this] {
    if (isVisible()) ShowState();
  });
}

QString NetworkWindow::StateText() const { return state_->text(); }
QString NetworkWindow::IdleReason() const { return controller_.NetworkEnabled() ? QString() : why_->text(); }
QString NetworkWindow::LogText() const { return log_->toPlainText(); }

void NetworkWindow::showEvent(QShowEvent* event) {
  log_->setPlainText(controller_.Network().Log().join('\n'));
  ShowState();
  ShowTraffic();
  QWidget::showEvent(event);
}

void NetworkWindow::ShowState() {
  state_->setText("State: " + controller_.Network().State());
  why_->setVisible(!controller_.NetworkEnabled());
}

void NetworkWindow::ShowTraffic() {
  if (!isVisible()) return;
  const TcpNetworkPort& port = controller_.Network();
  traffic_->setText(QString("Bytes sent: %1   received: %2").arg(port.BytesSent()).arg(port.BytesReceived()));
}

void NetworkWindow::AddEvent(const QString& line) {
  if (!isVisible()) return;
  log_->appendPlainText(line);
  ShowState();
}

}  // namespace zar
