// zar-screenshots SOURCE OUTDIR [MS]
// Assembles SOURCE into the machine, opens every window, runs the machine at
// 1 ms for MS milliseconds (default 2000) and saves a picture of each window
// in OUTDIR. Runs on any Qt platform, offscreen included.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include "assembler/assemble.h"
#include "frontpanel/main_window.h"
#include "frontpanel/memory_view.h"
#include "machine/text_file.h"
#include "platform/dialogs.h"

namespace {

class PrintingDialogs final : public zar::Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  void ShowMessage(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
};

class NoAssemblerWindows final : public zar::AssemblerHost {
 public:
  void Message(std::string_view text) override { std::fprintf(stderr, "%.*s\n", int(text.size()), text.data()); }
  void ShowTableText(std::string_view) override {}
  void ShowListingText(std::string_view) override {}
};

void Save(QWidget* window, const QString& folder, const char* name) {
  if (window == nullptr) return;
  const QString path = QDir(folder).filePath(name);
  if (!window->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: zar-screenshots SOURCE OUTDIR [MS]\n");
    return 2;
  }
  std::string source;
  if (const zar::FileError error = zar::ReadWholeFile(argv[1], 16 << 20, source)) {
    std::fprintf(stderr, "%s\n", error->c_str());
    return 2;
  }
  zar::DesktopState state;
  PrintingDialogs dialogs;
  zar::MainWindow window(state, dialogs);
  NoAssemblerWindows host;
  zar::Assemble(source, state.assembler, state.machine, {.copy = true}, host);

  window.show();
  window.ShowScreenWindow();
  window.ShowHistoryWindow();
  window.Timer().SetInterval(1);
  window.Timer().SetEnabled(true);
  QEventLoop loop;
  QTimer::singleShot(argc > 3 ? QString(argv[3]).toInt() : 2000, &loop, &QEventLoop::quit);
  loop.exec();
  window.Timer().SetEnabled(false);
  window.View().Flush();
  QApplication::processEvents();

  const QString folder = argv[2];
  QDir().mkpath(folder);
  Save(&window, folder, "main.png");
  Save(window.findChild<QWidget*>("Form6"), folder, "screen.png");
  Save(window.findChild<QWidget*>("Form5"), folder, "history.png");
  return 0;
}
