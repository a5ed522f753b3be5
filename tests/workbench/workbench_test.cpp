// The assembler workbench: its windows, the messages of a command and
// source files.
#include "workbench/workbench_window.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QTreeWidget>

#include "widgets/code_editor.h"
#include "widgets/text_area.h"
#include "support/desktop_fixture.h"
#include "support/malformed_sources.h"
#include "workbench/child_windows.h"
#include "workbench/messages_window.h"

namespace zar {
namespace {

class WorkbenchTest : public test::DesktopTest {
 protected:
  void Trigger(const char* name) { DesktopTest::Trigger(*workbench, name); }
  TextArea& Source() { return workbench->SourceWindow().Text(); }
  QString Caption() { return workbench->SourceWindow().windowTitle(); }
  std::string Saved(const std::string& name) { return test::TempFolder::Read(temp.File(name)); }
  void Type(const char* text) {
    workbench->Editor().moveCursor(QTextCursor::End);
    workbench->Editor().textCursor().insertText(text);
  }

  WorkbenchWindow* workbench = &desktop.ShowWorkbench();
};

// Load converts from code page 1252 and scans; Save writes the text back
// with the file's own line breaks; a failed load changes nothing.
TEST_F(WorkbenchTest, LoadScansSaveKeepsTheTextAndFailuresChangeNothing) {
  const std::string text = "# caf\xe9\xa0\r\nNUL\r\n:x\r\nGTO,x";  // a no-break space stays one
  temp.Write("a.OIA", text);
  temp.Write("lf.OIA", "NUL\nNXT\n");
  dialogs.answers = {Path("a.OIA"), Path("b.OIA"), Path("lf.OIA"), Path("lf2.OIA"), Path("missing.OIA")};
  Trigger("mload");
  EXPECT_EQ(Source().WholeText(), QString::fromUtf8("# caf\u00e9\u00a0\nNUL\n:x\nGTO,x"));
  EXPECT_TRUE(workbench->TableWindow().Text().WholeText().contains("LAB\t\t\t\tx\t0"));
  Trigger("msave");
  EXPECT_EQ(Saved("b.OIA"), text);
  Trigger("mload");
  EXPECT_EQ(dialogs.messages, (QStringList{"Input Processing failed at: "}));  // the final line break
  Trigger("msave");
  EXPECT_EQ(Saved("lf2.OIA"), "NUL\nNXT\n");
  Trigger("mload");
  EXPECT_EQ(std::tuple(dialogs.messages.size(), Source().WholeText(), Caption()),
            std::tuple(2, "NUL\nNXT\n", "Quelltext : lf2.OIA"));
}

// Typing marks the source as changed; Save writes to its file without a
// dialog, and asks before it drops characters code page 1252 lacks; Load,
// a recent file, Close and closing the program ask first (Cancel keeps all).
TEST_F(WorkbenchTest, SaveMarksUnsavedChangesAndAsksBeforeLosingThem) {
  window.show();
  Type("NUL");
  EXPECT_EQ(Caption(), "SourceCode*");
  dialogs.answers = {Path("a.OIA"), Path("b.OIA")};
  Trigger("msavefile");  // no file yet: Save asks for a name
  EXPECT_EQ(Caption(), "Quelltext : a.OIA");
  Type("\n\u20ac\n\u4e2d");  // the euro sign is in the code page, the last not
  EXPECT_EQ(Caption(), "Quelltext : a.OIA*");
  Trigger("msavefile");
  EXPECT_TRUE(Saved("a.OIA") == "NUL" && dialogs.messages[0].startsWith("Line 3 holds characters"));
  dialogs.confirm = true;
  Trigger("msavefile");
  EXPECT_EQ(std::tuple(Saved("a.OIA"), Caption()), std::tuple("NUL\r\n\x80\r\n?", "Quelltext : a.OIA"));

  temp.Write("b.OIA", "NXT");
  Type("\nSET,x");
  dialogs.saveChoice = SaveChoice::Discard;
  Trigger("mload");
  EXPECT_EQ(Source().WholeText(), "NXT");
  EXPECT_EQ(dialogs.messages.last(), "Save changes to a.OIA?");
  QMenu* recent = workbench->findChild<QMenu*>("mrecent");
  emit workbench->findChild<QMenu*>("mdat")->aboutToShow();  // lists the files as it opens
  ASSERT_EQ(recent->actions().size(), 2);
  recent->actions()[1]->trigger();  // a.OIA again
  EXPECT_EQ(Source().WholeText(), QString::fromUtf8("NUL\n\u20ac\n?"));

  Type("\nPOS,x");
  dialogs.saveChoice = SaveChoice::Cancel;
  window.close();  // the program stays open with its unsaved source
  EXPECT_TRUE(window.isVisible() && workbench->isVisible());
  dialogs.saveChoice = SaveChoice::Save;
  Trigger("mclose");
  EXPECT_EQ(Saved("a.OIA"), "NUL\r\n\x80\r\n?\r\nPOS,x");
  EXPECT_FALSE(workbench->isVisible());
}

// The Messages list says what zar asm --locations says: each message with
// its reason beside it, then the warnings; the boxes show the reasons as
// their details, and warnings get no box.
TEST_F(WorkbenchTest, MessagesListShowsReasonsAndWarnings) {
  auto* list = workbench->Messages().findChild<QTreeWidget*>("lstMessages");
  for (const test::Malformed& c : test::MalformedSources) {
    dialogs.messages.clear();
    Source().SetWholeText(QString::fromStdString(c.source));
    Trigger("mcreateonly");
    QStringList expected, boxes;
    for (const test::Said& said : c.said) {
      const QString text = QString::fromStdString(said.text);
      if (said.kind == "note") {
        expected.last() += " | " + text;
        EXPECT_EQ(dialogs.details[boxes.last()], text);
        continue;
      }
      if (said.kind.empty()) boxes << text;
      expected << QString::number(said.line) + " | " + (said.kind.empty() ? "" : "warning: ") + text;
      if (said.kind == "warning") expected.last() += " | ";
    }
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = list->topLevelItem(i);
      rows << item->text(0) + " | " + item->text(1) + " | " + item->text(2);
    }
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(std::tuple(dialogs.messages, workbench->Messages().isVisible()), std::tuple(boxes, !c.said.empty()));
  }
}

}  // namespace
}  // namespace zar
