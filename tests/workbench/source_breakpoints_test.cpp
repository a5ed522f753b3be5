// Breakpoints on source lines: toggled in the editor's margin, put at the
// line's instruction after each generate command, gone with another program.
#include <QTest>
#include <QTextBlock>

#include "debugger/debugger_window.h"
#include "support/desktop_fixture.h"
#include "widgets/code_editor.h"
#include "workbench/child_windows.h"
#include "workbench/workbench_window.h"

namespace zar {
namespace {

// SET,x is a cell at 0; then SUB at 1, MOV at 4, GTO at 7, VAL at 10.
constexpr const char* Counting = "# count\nSET,x\n:top\nSUB,x,x,?\nMOV,x,5\nGTO,top\nVAL,7";

TEST(InstructionAtLine, TakesTheNextInstructionForALineWithoutCode) {
  AssemblerState state;
  Assemble(Counting, state, {});
  const std::pair<int, std::optional<int>> cases[] = {
      {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 4}, {6, 7}, {7, std::nullopt}, {99, std::nullopt}};
  for (const auto& [line, at] : cases) EXPECT_EQ(InstructionAtLine(state.Table, line), at) << line;
}

class SourceBreakpoints : public test::DesktopTest {
 protected:
  std::vector<int> Breakpoints() const {
    std::vector<int> cells;
    for (int cell = 0; cell < 256; ++cell) {
      if (controller.IsBreakpoint(static_cast<Byte>(cell))) cells.push_back(cell);
    }
    return cells;
  }
  void ClickMargin(int line) {
    const QTextCursor at(editor.document()->findBlockByNumber(line - 1));
    QTest::mouseClick(editor.findChild<QWidget*>("lineNumbers"), Qt::LeftButton, {},
                      QPoint(2, editor.cursorRect(at).center().y()));
  }

  WorkbenchWindow& workbench = desktop.ShowWorkbench();
  CodeEditor& editor = workbench.Editor();
};

TEST_F(SourceBreakpoints, WaitForGenerateFollowTheirLinesAndGoWithAnotherProgram) {
  editor.SetWholeText(Counting);
  ClickMargin(3);  // the label: its statement is the SUB after it
  EXPECT_EQ(editor.BreakpointLines(), std::vector<int>{3});
  EXPECT_TRUE(Breakpoints().empty());
  workbench.Generate(GenerateMode::Copy);
  EXPECT_EQ(Breakpoints(), std::vector<int>{1});
  QTextCursor(editor.document()).insertText("SUB,x,x,?\n");  // a line above: the mark goes with its text
  EXPECT_EQ(editor.BreakpointLines(), std::vector<int>{4});
  workbench.Generate(GenerateMode::ListingOnly);
  EXPECT_EQ(Breakpoints(), std::vector<int>{4});
  ClickMargin(4);
  EXPECT_TRUE(Breakpoints().empty() && editor.BreakpointLines().empty());

  // Reset Machine keeps breakpoints and watches; loading a program file does not.
  DebuggerWindow& debugger = desktop.ShowDebuggerWindow();
  temp.Write("p.oisc", "1\r\n2\r\n");
  dialogs.answers = {Path("p.oisc")};
  Trigger(window, "menld");
  ClickMargin(6);  // the MOV
  workbench.Generate(GenerateMode::ListingOnly);
  controller.SetWatch(200, true);
  Trigger(window, "resip");
  EXPECT_EQ(Breakpoints(), std::vector<int>{7});
  EXPECT_TRUE(controller.IsWatched(200));
  dialogs.answers = {Path("p.oisc")};
  Trigger(window, "menld");
  EXPECT_TRUE(Breakpoints().empty() && editor.BreakpointLines().empty());
  EXPECT_FALSE(controller.IsWatched(200));
  EXPECT_EQ(debugger.NoteText(), "Breakpoints and watches cleared: another program was loaded.");

  // Nor does loading a source.
  controller.SetWatch(9, true);
  temp.Write("s.OIA", Counting);
  workbench.LoadSource(Path("s.OIA"));
  EXPECT_FALSE(controller.IsWatched(9));
}

}  // namespace
}  // namespace zar
