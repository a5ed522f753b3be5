#include "ui/mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace zar {

namespace {

// Where the mnemonic of the caption goes: -1 when no letter is free.
qsizetype MnemonicPosition(const QString& caption, const QSet<QChar>& taken) {
  const auto free = [&](qsizetype i) { return caption[i].isLetterOrNumber() && !taken.contains(caption[i].toLower()); };
  for (qsizetype i = 0; i < caption.size(); ++i) {
    const bool wordStart = i == 0 || !caption[i - 1].isLetterOrNumber();
    if (wordStart && free(i)) return i;
  }
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (free(i)) return i;
  }
  return -1;
}

// The actions side by side in one menu (or the bar) get distinct letters.
void AssignAmong(const QList<QAction*>& actions) {
  QSet<QChar> taken;
  for (const QAction* action : actions) {
    const qsizetype at = action->text().indexOf('&');
    if (at >= 0 && at + 1 < action->text().size()) taken.insert(action->text()[at + 1].toLower());
  }
  for (QAction* action : actions) {
    if (action->isSeparator() || action->text().contains('&')) continue;
    const QString caption = action->text();
    const qsizetype at = MnemonicPosition(caption, taken);
    if (at < 0) continue;
    taken.insert(caption[at].toLower());
    action->setText(QString(caption).insert(at, '&'));
  }
  for (const QAction* action : actions) {
    if (action->menu() != nullptr) AssignAmong(action->menu()->actions());
  }
}

}  // namespace

void AssignMnemonics(QMenuBar& bar) { AssignAmong(bar.actions()); }

}  // namespace zar
