#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zar {

// What the user chose in a network error box.
enum class NetworkErrorChoice { Ok, StopMachine };

// What to do with unsaved changes.
enum class SaveChoice { Save, Discard, Cancel };

// The modal dialogs the windows open. Tests put a scripted one in their place.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The chosen path, or an empty string when the user cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& filter, const QString& startPath) = 0;
  virtual QString SaveFileName(QWidget* parent, const QString& filter, const QString& startPath) = 0;
  // An open dialog that lists, of the files the filter takes, only those
  // whose name (without its folder) listed() accepts; folders are all
  // listed. Unless a dialog can leave files out, it lists them all.
  virtual QString OpenListedFileName(QWidget* parent, const QString& filter, const QString& startPath,
                                     const std::function<bool(const QString& name)>& listed) {
    (void)listed;
    return OpenFileName(parent, filter, startPath);
  }
  // A message with one OK button, no icon, the application's title as caption.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // The same with a longer text that the box shows on request.
  virtual void ShowMessage(QWidget* parent, const QString& text, const QString& details) = 0;
  // A question with OK and Cancel; true for OK.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // A question with Save, Discard and Cancel, Save the default.
  virtual SaveChoice AskToSave(QWidget* parent, const QString& text) = 0;
  // A failure of the network device, with OK and "Stop machine". It blocks
  // no window, so the program can still be closed while it is open.
  virtual NetworkErrorChoice ShowNetworkError(const QString& text) = 0;
  // Whether one of these dialogs is open now.
  virtual bool AnyOpen() const = 0;
};

// The real dialogs. At most one is open at a time: another one closes an
// open network error box first.
class QtDialogs final : public Dialogs {
 public:
  QtDialogs();
  ~QtDialogs() override;

  QString OpenFileName(QWidget* parent, const QString& filter, const QString& startPath) override;
  QString SaveFileName(QWidget* parent, const QString& filter, const QString& startPath) override;
  QString OpenListedFileName(QWidget* parent, const QString& filter, const QString& startPath,
                             const std::function<bool(const QString& name)>& listed) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
  void ShowMessage(QWidget* parent, const QString& text, const QString& details) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  SaveChoice AskToSave(QWidget* parent, const QString& text) override;
  NetworkErrorChoice ShowNetworkError(const QString& text) override;
  bool AnyOpen() const override;

 private:
  void CloseNetworkError();

  class NetworkBox;
  NetworkBox* networkBox_ = nullptr;  // while one is open
};

}  // namespace zar
