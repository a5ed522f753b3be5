#include "ui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>

#include <utility>

#include "ui/app_info.h"
#include "widgets/line_breaks.h"

namespace zar {

namespace {
// Qt's own dialog is a modal widget like the message boxes, so the run timer
// sees it and holds the machine while it is open; a desktop's native dialog
// would not show up that way.
constexpr QFileDialog::Options DialogOptions = QFileDialog::DontUseNativeDialog;

// Leaves out of a file dialog's list the files whose name is not to be listed.
class ListedFiles final : public QSortFilterProxyModel {
 public:
  ListedFiles(std::function<bool(const QString&)> listed, QObject* parent)
      : QSortFilterProxyModel(parent), listed_(std::move(listed)) {}

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    const QModelIndex index = sourceModel()->index(row, 0, parent);
    return files == nullptr || files->isDir(index) || listed_(files->fileName(index));
  }

 private:
  std::function<bool(const QString&)> listed_;
};

void Prepare(QMessageBox& box, const QString& text) {
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowTitle(ApplicationTitle);
  box.setText(NormalizeLineBreaks(text));
  box.setTextFormat(Qt::PlainText);
}
}  // namespace

// A box without a parent that is modal to its own window alone: it counts as
// a modal dialog (the run timer holds), stays in front, and blocks no window
// of the program.
class QtDialogs::NetworkBox : public QMessageBox {
 public:
  explicit NetworkBox(const QString& text) {
    Prepare(*this, text);
    setWindowModality(Qt::WindowModal);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    // Closing the box or Escape is OK, as in every other box.
    setEscapeButton(addButton(QMessageBox::Ok));
    stop_ = addButton("Stop machine", QMessageBox::ActionRole);
  }
  bool StopChosen() const { return clickedButton() == stop_; }

 private:
  QPushButton* stop_;
};

QtDialogs::QtDialogs() = default;
QtDialogs::~QtDialogs() = default;

QString QtDialogs::OpenFileName(QWidget* parent, const QString& filter, const QString& startPath) {
  CloseNetworkError();
  return QFileDialog::getOpenFileName(parent, QString(), startPath, filter, nullptr, DialogOptions);
}

QString QtDialogs::OpenListedFileName(QWidget* parent, const QString& filter, const QString& startPath,
                                      const std::function<bool(const QString& name)>& listed) {
  CloseNetworkError();
  QFileDialog dialog(parent, QString(), startPath, filter);
  dialog.setOptions(DialogOptions);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setProxyModel(new ListedFiles(listed, &dialog));
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& filter, const QString& startPath) {
  CloseNetworkError();
  // Replacing an existing file needs no confirmation here.
  return QFileDialog::getSaveFileName(parent, QString(), startPath, filter, nullptr,
                                      DialogOptions | QFileDialog::DontConfirmOverwrite);
}

void QtDialogs::ShowMessage(QWidget* parent, const QString& text) { ShowMessage(parent, text, QString()); }

void QtDialogs::ShowMessage(QWidget* parent, const QString& text, const QString& details) {
  CloseNetworkError();
  QMessageBox box(parent);
  Prepare(box, text);
  box.setDetailedText(details);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

bool QtDialogs::Confirm(QWidget* parent, const QString& text) {
  CloseNetworkError();
  QMessageBox box(parent);
  Prepare(box, text);
  box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

SaveChoice QtDialogs::AskToSave(QWidget* parent, const QString& text) {
  CloseNetworkError();
  QMessageBox box(parent);
  Prepare(box, text);
  box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveChoice::Save;
    case QMessageBox::Discard:
      return SaveChoice::Discard;
    default:
      return SaveChoice::Cancel;
  }
}

NetworkErrorChoice QtDialogs::ShowNetworkError(const QString& text) {
  NetworkBox box(text);
  networkBox_ = &box;
  box.exec();
  networkBox_ = nullptr;
  return box.StopChosen() ? NetworkErrorChoice::StopMachine : NetworkErrorChoice::Ok;
}

bool QtDialogs::AnyOpen() const { return QApplication::activeModalWidget() != nullptr; }

void QtDialogs::CloseNetworkError() {
  if (networkBox_ != nullptr) networkBox_->close();
}

}  // namespace zar
