#include "platform/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "platform/app_info.h"
#include "platform/line_breaks.h"

namespace zar {

namespace {
// Qt's own dialog is a modal widget like the message boxes, so the run timer
// sees it and holds the machine while it is open; a desktop's native dialog
// would not show up that way.
constexpr QFileDialog::Options DialogOptions = QFileDialog::DontUseNativeDialog;
}  // namespace

QString QtDialogs::OpenFileName(QWidget* parent, const QString& filter, const QString& startPath) {
  return QFileDialog::getOpenFileName(parent, QString(), startPath, filter, nullptr, DialogOptions);
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& filter, const QString& startPath) {
  // Replacing an existing file needs no confirmation here.
  return QFileDialog::getSaveFileName(parent, QString(), startPath, filter, nullptr,
                                      DialogOptions | QFileDialog::DontConfirmOverwrite);
}

void QtDialogs::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle, NormalizeLineBreaks(text), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace zar
