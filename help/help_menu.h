#pragma once

#include <QString>

#include <functional>

class QMainWindow;

namespace zar {

class Remembered;

// Adds the Help menu to the window's menu bar: the language reference and
// the tutorial, each in a help window of its own made on first use, and
// "Open Example" with every example source, which goes to openExample.
void AddHelpMenu(QMainWindow& window, Remembered& remembered, std::function<void(const QString& path)> openExample);

}  // namespace zar
