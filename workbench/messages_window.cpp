#include "workbench/messages_window.h"

#include <QHeaderView>
#include <QMdiArea>
#include <QTreeWidget>

#include "ui/qt_text.h"

namespace zar {

MessagesWindow::MessagesWindow(QWidget* parent) : QMdiSubWindow(parent), list_(new QTreeWidget(this)) {
  setObjectName("MessagesWindow");
  setWindowTitle("Messages");
  list_->setObjectName("lstMessages");
  list_->setColumnCount(3);
  list_->setHeaderLabels({"Line", "Message", "Reason"});
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  // The reason takes what the message leaves; a tip shows a cut text whole.
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(2, QHeaderView::Stretch);
  setWidget(list_);
  connect(list_, &QTreeWidget::itemActivated, this, &MessagesWindow::Choose);
}

void MessagesWindow::ShowMessages(const std::vector<StageMessage>& messages,
                                  const std::vector<StageMessage>& warnings) {
  list_->clear();
  for (const StageMessage& message : messages) Add(message, {});
  for (const StageMessage& warning : warnings) Add(warning, "warning: ");
  if (messages.empty() && warnings.empty()) {
    hide();
    return;
  }
  PlaceFirstTime();
  show();
  raise();
}

void MessagesWindow::Add(const StageMessage& message, const QString& prefix) {
  auto* item = new QTreeWidgetItem(list_);
  if (message.line > 0) item->setText(0, QString::number(message.line));
  item->setData(0, Qt::UserRole, message.line);
  item->setTextAlignment(0, Qt::AlignRight);
  item->setText(1, prefix + FromCp1252(message.text));
  item->setText(2, FromCp1252(message.reason));
  item->setToolTip(1, item->text(1));
  item->setToolTip(2, item->text(2));
}

void MessagesWindow::Choose(const QTreeWidgetItem* item) {
  const int line = item->data(0, Qt::UserRole).toInt();
  if (line > 0) emit LineChosen(line);
}

void MessagesWindow::PlaceFirstTime() {
  if (placed_ || mdiArea() == nullptr) return;
  placed_ = true;
  const QSize area = mdiArea()->viewport()->size();
  setGeometry(area.width() * 2 / 5, area.height() * 3 / 5, area.width() * 3 / 5, area.height() * 2 / 5);
  list_->header()->resizeSection(1, width() / 2);
}

}  // namespace zar
