#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QSettings;

namespace zar {

// What the desktop keeps from one start to the next, in the settings it is
// given (the platform's usual place for the program), each written as soon
// as it changes: the recent source files, the folder each file dialog was
// last in and the Help window's place. The places of the other windows, the
// run interval and the menus' check marks start as they always do. Without
// settings it keeps them for this run only.
class Remembered {
 public:
  static constexpr int RecentKept = 8;

  explicit Remembered(QSettings* settings = nullptr) : settings_(settings) {}

  // The source files loaded or saved, newest first.
  QStringList RecentFiles() const;
  void AddRecentFile(const QString& path);
  void ForgetRecentFiles();

  // The folder of the file chosen last in the dialog of that kind, while it
  // exists; else the fallback.
  QString DialogFolder(const QString& dialog, const QString& fallback) const;
  void SetDialogChoice(const QString& dialog, const QString& chosen);

  // QWidget::saveGeometry of the Help window closed last; empty at first.
  QByteArray HelpGeometry() const;
  void SetHelpGeometry(const QByteArray& geometry);

 private:
  QVariant Value(const QString& key) const;
  void SetValue(const QString& key, const QVariant& value);

  QSettings* settings_;
  QVariantMap values_;  // without settings
};

}  // namespace zar
