#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>

class QLabel;
class QLineEdit;
class QListWidget;

namespace zar {

class MachineController;
struct BackResult;
struct RunStop;

// The "Debugger" window: the run state and why the last run stopped, the
// steps done and their rate, the instruction at IP decoded, breakpoints and
// watches to add and remove, how far steps can be undone, and an editor for
// cells and IP while the machine is stopped. It follows the controller only
// while shown, but for a note when loading another program cleared the
// breakpoints and watches.
class DebuggerWindow : public QWidget {
  Q_OBJECT

 public:
  explicit DebuggerWindow(MachineController& controller, QWidget* parent = nullptr);

  QString StateText() const;
  QString InstructionText() const;
  QString StepsText() const;
  QString NoteText() const;

  // The editor's commands, as its buttons give them: false when refused.
  bool SetCell(const QString& cell, const QString& value);
  bool SetIP(const QString& ip);
  bool ToggleBreakpoint(const QString& address);
  bool ToggleWatch(const QString& cell);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Refresh();
  void ShowLists();
  void OnStopped(const RunStop& stop);
  void OnSteppedBack(const BackResult& result);
  // The note line: a plain note, or a refusal (shown after "Refused: "). An
  // empty text clears it; with OnlyARefusal only a refusal is cleared.
  enum class Note { Plain, Refusal, OnlyARefusal };
  void SetNote(const QString& text, Note kind = Note::Plain);

  MachineController& controller_;
  QLabel* state_;
  QLabel* steps_;
  QLabel* instruction_;
  QLabel* record_;
  QLabel* note_;
  QListWidget* breakpoints_;
  QLineEdit* address_;
  QLineEdit* value_;
  bool refused_ = false;         // the note is a refusal
  QString stopped_ = "stopped";  // the state while stopped: where the last run or step back ended
  QTimer ticker_;                // refreshes the figures while shown
  QElapsedTimer clock_;
  std::uint64_t stepsThen_ = 0;
  double rate_ = 0;
};

}  // namespace zar
