// The program editor window and its part in running programs, on the offscreen platform.
#include "app/WindowCore.h"
#include "ui/ProgramWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <fstream>

#include "tests/support/FakeClock.h"
#include "tests/support/QtApplication.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/ScriptedPort.h"
#include "ui/WindowFrontEnd.h"

namespace qv::test {
namespace {

class ProgramWin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override {
    main = new MainWindow(WindowCore(system), [] {});
    front.Attach(main);
    program.ProgLines = {"Delay 10", "Delay 11", "Delay 12", "Delay 13", "End"};
    window = new ProgramWindow(WindowCore(system), [] {});
    front.AttachProgram(window);
    window->SetFileChooser([this](const std::string&, bool) { return chosen; });
  }
  void TearDown() override {
    front.AttachProgram(nullptr);
    front.Attach(nullptr);
    delete window;
    delete main;
  }
  void Click(const char* name) {
    QTest::mouseClick(window->findChild<QPushButton*>(name), Qt::LeftButton);
  }
  std::string Path(const char* file, const std::string& content = {}) {
    const std::string path = dir.filePath(file).toStdString();
    if (!content.empty()) std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string Message() { return window->Message().text().toStdString(); }

  RecordingNotifier notifier;
  FakeClock clock;
  SilentPort port{clock};
  WindowFrontEnd front;
  System system{Platform{notifier, clock, front, port}};
  ProgramState& program = system.interpreter.State();
  QTemporaryDir dir;
  std::string chosen;
  MainWindow* main = nullptr;
  ProgramWindow* window = nullptr;
};

TEST_F(ProgramWin, RowsShowTheLinesWithTheirIndices) {
  EXPECT_TRUE(front.IsFormLoaded("frmInterp"));
  EXPECT_GT(window->RowCount(), 5);
  EXPECT_EQ(program.ProgRows, window->RowCount());
  EXPECT_EQ(window->RowButton(0).text(), "0");
  EXPECT_EQ(window->RowField(3).text(), "Delay 13");
  EXPECT_EQ(window->RowButton(5).text(), "");
  QTest::keyClick(&window->RowField(0), Qt::Key_PageDown);  // shorter than the window
  EXPECT_EQ(program.ProgTop, 0);
}

TEST_F(ProgramWin, AProgramLongerThanTheWindowScrollsByItsBarAndTheWheel) {
  program.ProgLines.clear();
  for (int i = 0; i < 60; ++i)
    program.ProgLines.push_back("Delay " + std::to_string(i));
  system.interpreter.ShowProgRows(0, 0, program.ProgRows);
  QScrollBar& bar = window->ScrollBar();
  EXPECT_EQ(bar.maximum(), 60 - window->RowCount());
  bar.setValue(30);
  EXPECT_EQ(program.ProgTop, 30);
  EXPECT_EQ(window->RowField(0).text(), "Delay 30");
  auto wheel = [this](int notches) {
    const QPointF at(10, 10);
    QWheelEvent event(at, window->mapToGlobal(at), {}, {0, notches * 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&window->RowField(0), &event);
  };
  wheel(-2);  // towards the end
  EXPECT_EQ(program.ProgTop, 36);
  EXPECT_EQ(bar.value(), 36);
  program.ProgHalted = 0;  // running: the view follows the program, not the wheel
  wheel(1);
  bar.setValue(0);
  EXPECT_EQ(program.ProgTop, 36);
  EXPECT_EQ(bar.value(), 36);
}

TEST_F(ProgramWin, ClickingARowMakesItsLineCurrentAndRunStartsThere) {
  Click("cmdNmb3");
  EXPECT_EQ(main->CommandText(), "Delay 13");
  EXPECT_EQ(program.ProgPos, 4);
  EXPECT_EQ(window->RowButton(3).styleSheet(), "background-color: #808080");
  EXPECT_EQ(window->RowField(3).styleSheet(), "background-color: #E0E0E0");
  EXPECT_EQ(window->RowField(0).styleSheet(), "background-color: #C0C0C0");
  Click("cmdRun");
  EXPECT_EQ(Message(), "PROGRAM (RE)STARTED");
  EXPECT_TRUE(window->RunIndicator().isChecked());
  EXPECT_FALSE(window->findChild<QPushButton*>("cmdRead")->isEnabled());
  system.runner.Tick();
  EXPECT_EQ(main->MessageText(), "13 ; ");
  EXPECT_EQ(main->CommandText(), "End");
  Click("cmdStop");
  EXPECT_EQ(Message(), "PROGRAM INTERRUPTED");
  EXPECT_FALSE(window->RunIndicator().isChecked());
  EXPECT_TRUE(window->findChild<QPushButton*>("cmdRead")->isEnabled());
  system.runner.Tick();  // a stopped program takes no further step
  EXPECT_EQ(Message(), "PROGRAM INTERRUPTED");
  Click("cmdOver");
  EXPECT_EQ(main->CommandText(), "Delay 10");
  EXPECT_EQ(program.ProgPos, 1);
  Click("cmdStep");  // one line, then halted
  system.runner.Tick();
  system.runner.Tick();
  EXPECT_EQ(main->MessageText(), "10 ; ");
  EXPECT_EQ(main->CommandText(), "Delay 11");
  EXPECT_EQ(program.ProgRunState, 0);
}

TEST_F(ProgramWin, InsertDeleteAndEditingWriteTheProgram) {
  Click("cmdNmb1");
  Click("cmdInsert");
  EXPECT_EQ(program.ProgLines.size(), 6u);
  EXPECT_EQ(program.ProgLines[1], "");
  EXPECT_EQ(window->RowField(2).text(), "Delay 11");
  Click("cmdDelete");
  EXPECT_EQ(program.ProgLines[1], "Delay 11");
  EXPECT_EQ(window->RowButton(5).text(), "");
  window->RowField(2).setText("Ver");
  window->LeaveRow(2);
  EXPECT_EQ(program.ProgLines[2], "Ver");
  EXPECT_EQ(program.ProgPos, 3);
  program.ProgHalted = 0;  // running: edits are not written back
  window->RowField(2).setText("Delay 1");
  window->LeaveRow(2);
  EXPECT_EQ(program.ProgLines[2], "Ver");
}

// How programs are read and written is InterpreterTest's; here the window's file choice, title
// and question before overwriting.
TEST_F(ProgramWin, ReadAndWriteTakeTheChosenFileAndAskBeforeOverwriting) {
  chosen = Path("a.prg", "Ver\r\nDelay 5\r\nEnd\r\n");
  window->ReadProgram();
  EXPECT_EQ(Message(), "Program read");
  EXPECT_EQ(window->windowTitle().toStdString(), "Program " + chosen);
  EXPECT_EQ(program.ProgLines[1], "Delay 5");
  chosen = Path("w.prg");
  window->WriteProgram();
  EXPECT_EQ(Message(), "Program written");
  EXPECT_EQ(window->windowTitle().toStdString(), "Program " + chosen);
  EXPECT_TRUE(notifier.Messages.empty());
  window->WriteProgram();
  ASSERT_EQ(notifier.Messages.size(), 1u);
  EXPECT_EQ(notifier.Messages[0].Title, "File overwrite");
  program.ProgLines = {"Repeat Times", "End"};
  window->WriteProgram();
  EXPECT_EQ(Message(), "Program not written");
  chosen.clear();  // the choice was cancelled
  window->ReadProgram();
  EXPECT_EQ(Message(), "Program not read");
}

TEST_F(ProgramWin, TheEditorPrintsItsImage) {
  window->show();
  QApplication::processEvents();
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("program.pdf"));
  window->Print(printer);
  QFile file(dir.filePath("program.pdf"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(4) == "%PDF");
  EXPECT_GT(file.size(), 2000);
}

}  // namespace
}  // namespace qv::test
