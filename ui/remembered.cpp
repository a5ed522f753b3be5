#include "ui/remembered.h"

#include <QFileInfo>
#include <QSettings>

namespace zar {

namespace {

const QString RecentKey = QStringLiteral("recentFiles");
const QString HelpKey = QStringLiteral("help/geometry");

QString DialogKey(const QString& dialog) { return "dialogs/" + dialog; }

}  // namespace

QVariant Remembered::Value(const QString& key) const {
  return settings_ != nullptr ? settings_->value(key) : values_.value(key);
}

void Remembered::SetValue(const QString& key, const QVariant& value) {
  if (settings_ == nullptr) {
    values_[key] = value;
    return;
  }
  settings_->setValue(key, value);
  settings_->sync();
}

// No more than are kept, whatever the settings file holds.
QStringList Remembered::RecentFiles() const { return Value(RecentKey).toStringList().mid(0, RecentKept); }

void Remembered::AddRecentFile(const QString& path) {
  QStringList paths = RecentFiles();
  paths.removeAll(path);
  paths.prepend(path);
  while (paths.size() > RecentKept) paths.removeLast();
  SetValue(RecentKey, paths);
}

void Remembered::ForgetRecentFiles() { SetValue(RecentKey, QStringList()); }

QString Remembered::DialogFolder(const QString& dialog, const QString& fallback) const {
  const QString folder = Value(DialogKey(dialog)).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : fallback;
}

void Remembered::SetDialogChoice(const QString& dialog, const QString& chosen) {
  SetValue(DialogKey(dialog), QFileInfo(chosen).absolutePath());
}

QByteArray Remembered::HelpGeometry() const { return Value(HelpKey).toByteArray(); }

void Remembered::SetHelpGeometry(const QByteArray& geometry) { SetValue(HelpKey, geometry); }

}  // namespace zar
