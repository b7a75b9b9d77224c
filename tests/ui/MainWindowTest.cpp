// The main window's top area and its part in the command language, on the offscreen platform.
#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "tests/support/FakeClock.h"
#include "tests/support/QtApplication.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/SilentPort.h"
#include "ui/WindowFrontEnd.h"

namespace qv::test {
namespace {

class Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override {
    system.state.HistoryMax = 30;
    front.SetLoader([this] {
      window = new MainWindow(system, [this] {
        front.Attach(nullptr);
        ++unloads;
      });
      front.Attach(window);
      return window;
    });
    front.ShowMainWindow();
  }
  // A window left behind keeps its timer, which would tick on this test's destroyed system.
  void TearDown() override {
    front.Attach(nullptr);
    delete window;
  }
  void Execute(const std::string& line) {
    window->SetCommandText(line);
    QTest::mouseClick(window->findChild<QPushButton*>("cmdExecute"), Qt::LeftButton);
  }

  RecordingNotifier notifier;
  FakeClock clock;
  SilentPort port{clock};
  WindowFrontEnd front;
  System system{Platform{notifier, clock, front, port}};
  MainWindow* window = nullptr;
  int unloads = 0;
};

TEST_F(Window, ExecuteShowsTheJoinedReplyAndTheTimeItTook) {
  EXPECT_EQ(window->windowTitle(), "Quorvalin");
  Execute("Delay 250;Ver");
  EXPECT_EQ(window->MessageLine().text(), "250 ; 4.0 ; ");
  EXPECT_EQ(window->TimeField().text(), " 251");
  EXPECT_EQ(window->CommandBox().itemText(0), "Delay 250;Ver");
}

TEST_F(Window, TheHistoryKeepsTheLatestThirtyNewestFirst) {
  for (int i = 1; i <= 32; ++i)
    Execute("Delay " + std::to_string(i));
  EXPECT_EQ(window->CommandBox().count(), 30);
  EXPECT_EQ(window->CommandBox().itemText(0), "Delay 32");
  EXPECT_EQ(window->CommandBox().itemText(29), "Delay 3");
}

TEST_F(Window, HandlersShowTheirCommandAndReplyAndAClickClearsTheMessage) {
  system.ExecuteLine("Z   Rel 5");
  EXPECT_EQ(window->CommandText(), "Z Rel 5");
  EXPECT_EQ(window->MessageText(), "Off ");
  QTest::mouseClick(&window->MessageLine(), Qt::LeftButton);
  EXPECT_EQ(window->MessageText(), "");
}

TEST_F(Window, HideShowAndUnloadFromTheCommandLanguage) {
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(system.ExecuteLine("Hide"), "OK  ; ");
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(system.ExecuteLine("Show"), "OK  ; ");
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(system.ExecuteLine("Unload"), "OK  ; ");
  QApplication::processEvents();
  EXPECT_EQ(unloads, 1);
  EXPECT_EQ(system.state.MainFormLoaded, 0);
  EXPECT_FALSE(system.display.MainFormLoaded());
  EXPECT_EQ(system.ExecuteLine("Ver"), "4.0 ; ");   // the language works without a window
  EXPECT_EQ(system.ExecuteLine("Show"), "OK  ; ");  // loads a new window
  EXPECT_TRUE(system.display.MainFormLoaded());
  EXPECT_EQ(system.state.MainFormLoaded, 1);
}

TEST_F(Window, TheMapTabGivesTheMapItsPicture) {
  window->Tabs().setCurrentIndex(1);
  QApplication::processEvents();
  EXPECT_EQ(window->Tabs().tabText(1), "&Specimen Map");
  EXPECT_TRUE(system.map.HasCanvas());
  EXPECT_EQ(system.ExecuteLine("Obj Add 100 100 0 a;Obj ListDraw"), "# 1 ; OK  ; ");
  EXPECT_EQ(system.ExecuteLine("Obj Draw 1"), " 1 ; ");
  system.ExecuteLine("Unload");
  QApplication::processEvents();
  EXPECT_EQ(system.ExecuteLine("Obj Draw 1"), "0 ; ");  // no window, no picture
}

TEST_F(Window, TheTimerRunsAProgramLineByLine) {
  ProgramState& program = system.interpreter.State();
  program.ProgLines = {"Ver", "CommandCount", "End"};
  system.interpreter.StartOver();
  system.interpreter.Run();
  for (int i = 0; i < 30 && program.ProgRunState != 0; ++i)
    QTest::qWait(100);
  EXPECT_EQ(program.ProgRunState, 0);
  EXPECT_EQ(window->MessageText(), " 2 ; ");
  EXPECT_EQ(window->CommandText(), "End");
}

}  // namespace
}  // namespace qv::test
