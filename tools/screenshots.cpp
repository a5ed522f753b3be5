// zar-screenshots SOURCE OUTDIR [MS]
// Opens every window, puts SOURCE into the assembler workbench and runs
// "Generate and Start" at 1 ms for MS milliseconds (default 2000), then saves
// a picture of each window in OUTDIR, and one of a network error box. Before
// the pictures it sets breakpoints on the cell IP points to and on cell 0 and
// runs at full speed until the breakpoint at IP stops it, so that the
// Debugger window and the memory picture show them; later a breakpoint on
// line 10 of the source. Runs on any Qt platform, offscreen included.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include "desktop/desktop.h"
#include "formats/source_file.h"
#include "ui/data_folders.h"
#include "widgets/code_editor.h"
#include "ui/dialogs.h"
#include "widgets/text_area.h"
#include "workbench/child_windows.h"
#include "workbench/exercise_panel.h"
#include "workbench/workbench_window.h"

namespace {

class PrintingDialogs final : public zar::Dialogs {
 public:
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
  void ShowMessage(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
  zar::NetworkErrorChoice ShowNetworkError(const QString& text) override {
    ShowMessage(nullptr, text);
    return zar::NetworkErrorChoice::Ok;
  }
  bool AnyOpen() const override { return false; }
  void ShowMessage(QWidget* parent, const QString& text, const QString&) override { ShowMessage(parent, text); }
  bool Confirm(QWidget*, const QString&) override { return true; }
  zar::SaveChoice AskToSave(QWidget*, const QString&) override { return zar::SaveChoice::Discard; }
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
  if (const zar::FileResult read = zar::LoadSourceFile(argv[1], source); read.Failed()) {
    std::fprintf(stderr, "%s\n", read.Why().c_str());
    return 2;
  }
  PrintingDialogs dialogs;
  zar::Desktop desktop(dialogs);
  zar::MainWindow& window = desktop.Main();
  window.show();
  desktop.ShowScreenWindow();
  desktop.ShowHistoryWindow();
  desktop.ShowNetworkWindow();
  zar::WorkbenchWindow& workbench = desktop.ShowWorkbench();
  workbench.SourceWindow().Text().SetWholeText(QString::fromLatin1(source.data(), qsizetype(source.size())));
  desktop.Controller().SetInterval(1);
  workbench.Generate(zar::GenerateMode::CopyAndStart);
  QEventLoop loop;
  QTimer::singleShot(argc > 3 ? QString(argv[3]).toInt() : 2000, &loop, &QEventLoop::quit);
  loop.exec();
  zar::MachineController& controller = desktop.Controller();
  controller.Stop();
  desktop.ShowDebuggerWindow();
  controller.ToggleBreakpoint(controller.State().IP);
  controller.ToggleBreakpoint(0);
  controller.RunFullSpeed();
  while (controller.Run().StepsDue()) QApplication::processEvents(QEventLoop::AllEvents, 10);
  QApplication::processEvents();

  const QString folder = argv[2];
  QDir().mkpath(folder);
  Save(&window, folder, "main.png");
  Save(window.findChild<QWidget*>("Form6"), folder, "screen.png");
  Save(window.findChild<QWidget*>("Form5"), folder, "history.png");
  Save(&workbench, folder, "workbench.png");
  Save(window.findChild<QWidget*>("NetworkWindow"), folder, "network.png");
  Save(window.findChild<QWidget*>("DebuggerWindow"), folder, "debugger.png");
  // The workbench with faults in the source: the Messages list, the lines
  // marked in the editor and the highlighting; then the listing with the
  // source lines of a program that assembles.
  workbench.SourceWindow().Text().SetWholeText(
      "# count down from 9\nSET,n\nMOV,n,9\n:loop\nSUB,n,one,done\nGTO,lop\nsub,n,one,?\n:done\nGTO,done\nVAL,300");
  workbench.Generate(zar::GenerateMode::ListingOnly);
  workbench.Editor().GoToLine(6);
  QApplication::processEvents();
  Save(&workbench, folder, "workbench-messages.png");
  workbench.SourceWindow().Text().SetWholeText(QString::fromLatin1(source.data(), qsizetype(source.size())));
  workbench.findChild<QAction*>("msrclisting")->setChecked(true);
  workbench.findChild<QAction*>("mdbg")->setChecked(false);
  workbench.Generate(zar::GenerateMode::ListingOnly);
  QApplication::processEvents();
  Save(&workbench, folder, "workbench-listing.png");
  // A breakpoint on a comment line: its mark in the margin, and the dot of
  // the instruction after it in the memory picture.
  workbench.Editor().ToggleBreakpoint(10);
  workbench.Generate(zar::GenerateMode::ListingOnly);
  QApplication::processEvents();
  Save(&workbench, folder, "workbench-breakpoint.png");
  Save(&window, folder, "main-breakpoint.png");
  // The Network window with the network switched off.
  window.findChild<QAction*>("mnetenabled")->setChecked(false);
  QApplication::processEvents();
  Save(window.findChild<QWidget*>("NetworkWindow"), folder, "network-off.png");

  // An exercise beside the source, checked.
  workbench.OpenExercise(zar::ExercisesFolder() + "/07_stars.json");
  workbench.CheckExercise();
  QApplication::processEvents();
  Save(&workbench, folder, "workbench-exercise.png");
  workbench.ExerciseView().hide();

  // The reference in a help window.
  workbench.findChild<QAction*>("mhelplanguage")->trigger();
  QApplication::processEvents();
  Save(workbench.findChild<QWidget*>("help:language.md"), folder, "help.png");

  // A message box with its reason shown, pictured while it is open.
  QTimer::singleShot(300, [&folder] {
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr) return;
    for (QAbstractButton* button : box->findChildren<QAbstractButton*>()) {
      if (button->text().startsWith("Show Details")) button->click();
    }
    QApplication::processEvents();
    Save(box, folder, "message-details.png");
    box->close();
  });
  zar::QtDialogs().ShowMessage(&workbench, "Compile Failed at command: 2 = SUB,n,one,done",
                               "variable 'one' was never declared with SET");

  // A network error box, pictured while it is open and then answered.
  QTimer::singleShot(300, [&folder] {
    QWidget* box = QApplication::activeModalWidget();
    Save(box, folder, "network-error.png");
    if (box != nullptr) box->close();
  });
  zar::QtDialogs().ShowNetworkError("Connection refused");
  return 0;
}
