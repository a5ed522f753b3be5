#pragma once

#include <QString>

class QWidget;

namespace zar {

// The modal dialogs the windows open. Tests put a scripted one in their place.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The chosen path, or an empty string when the user cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& filter, const QString& startPath) = 0;
  virtual QString SaveFileName(QWidget* parent, const QString& filter, const QString& startPath) = 0;
  // A message with one OK button, no icon, the application's title as caption.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
};

// The real dialogs.
class QtDialogs final : public Dialogs {
 public:
  QString OpenFileName(QWidget* parent, const QString& filter, const QString& startPath) override;
  QString SaveFileName(QWidget* parent, const QString& filter, const QString& startPath) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
};

}  // namespace zar
