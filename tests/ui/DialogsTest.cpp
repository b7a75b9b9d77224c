// The parameter list editor and the file, pick-list and text dialogs, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "tests/foundation/TestFiles.h"
#include "tests/support/QtApplication.h"
#include "tests/support/RecordingNotifier.h"
#include "ui/ParListWindow.h"

namespace qv::test {
namespace {

// Records like RecordingNotifier and gives the answer a test chose to every question.
class AnsweringNotifier : public RecordingNotifier {
 public:
  MsgResult MessageBox(const std::string& text, MsgIcon icon, const std::string& title,
                       MsgButtons buttons) override {
    RecordingNotifier::MessageBox(text, icon, title, buttons);
    return buttons == MsgButtons::Ok ? MsgResult::Ok : answer;
  }
  MsgResult answer = MsgResult::No;
};

// Closes whatever modal dialog is up once the event loop runs, after `act` has worked on it.
template <class Dialog, class Act>
void WhenShown(Act act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

// --- Parameter list editor ---

class ParListTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override {
    trapar.SetParDir(folder.Dir());
    trapar.SetParFile("QV_PARXY.TXT");
    PutBytes(folder.File("QV_PARXY.TXT"), kFile);
  }
  void Type(const std::string& text) {
    QTest::keyClicks(&window.Field(), QString::fromStdString(text));
  }

  static constexpr const char* kFile =
      "\"XSCREWLEAD\",1000,lead of the X screw\r\nrem\r\n  \"XSPEED\" ,  +5.50 \r\n";
  TempFolder folder;
  AnsweringNotifier notifier;
  Trapar trapar{notifier};
  ParListWindow window{trapar, notifier};
};

TEST_F(ParListTest, GridShowsEntriesUnderItsHeadingsAndTheFullPath) {
  ASSERT_EQ(window.Load(), 1);
  QTableWidget& grid = window.Grid();
  EXPECT_EQ(grid.objectName(), "fgrPar");
  ASSERT_EQ(grid.rowCount(), 2);
  EXPECT_EQ(grid.horizontalHeaderItem(0)->text(), "Parameter");
  EXPECT_EQ(grid.horizontalHeaderItem(1)->text(), "Value");
  EXPECT_TRUE(grid.horizontalHeaderItem(0)->textAlignment() & Qt::AlignLeft);
  EXPECT_TRUE(grid.horizontalHeaderItem(1)->textAlignment() & Qt::AlignRight);
  EXPECT_EQ(grid.item(1, 0)->text(), "XSPEED");
  EXPECT_EQ(grid.item(1, 1)->text(), "+5.50");
  EXPECT_EQ(window.windowTitle().toStdString(), folder.File("QV_PARXY.TXT"));
}

TEST_F(ParListTest, ClosingUneditedRewritesTheFileWithoutRemarksAndKeepsNumberTexts) {
  ASSERT_EQ(window.Load(), 1);
  window.show();
  window.close();
  EXPECT_EQ(window.WriteResult(), 1);
  EXPECT_EQ(GetBytes(folder.File("QV_PARXY.TXT")), "\"XSCREWLEAD\",1000\r\n\"XSPEED\",+5.50\r\n");
}

TEST_F(ParListTest, OnlyAValueCommittedWithEnterIsWritten) {
  ASSERT_EQ(window.Load(), 1);
  window.show();
  window.OpenEditor(0, 1);
  ASSERT_TRUE(window.Field().isVisibleTo(&window));
  EXPECT_EQ(window.Field().text(), "1000");
  window.Field().selectAll();
  Type("2000");
  QFocusEvent focusOut(QEvent::FocusOut);
  QApplication::sendEvent(&window.Field(), &focusOut);  // clicking elsewhere
  EXPECT_FALSE(window.Field().isVisibleTo(&window));
  EXPECT_EQ(window.Grid().item(0, 1)->text(), "1000");

  window.OpenEditor(1, 1);
  window.Field().selectAll();
  Type("7.25");
  QTest::keyClick(&window.Field(), Qt::Key_Return);
  EXPECT_EQ(window.Grid().item(1, 1)->text(), "7.25");
  EXPECT_TRUE(window.isVisible()) << "Enter in the box must not close the window";
  window.close();
  EXPECT_EQ(GetBytes(folder.File("QV_PARXY.TXT")), "\"XSCREWLEAD\",1000\r\n\"XSPEED\",7.25\r\n");
}

TEST_F(ParListTest, NamesAreNotEditable) {
  ASSERT_EQ(window.Load(), 1);
  window.OpenEditor(0, 0);
  EXPECT_FALSE(window.Field().isVisibleTo(&window));
}

TEST_F(ParListTest, MissingFileIsReportedAndNothingIsWritten) {
  trapar.CurrentList() = {{"OTHER", std::string("1")}};  // left by an earlier load
  const std::string path = folder.File("QV_PARZ.TXT");
  EXPECT_EQ(EditParFile(nullptr, trapar, notifier, "QV_PARZ.TXT"), -1);
  EXPECT_EQ(notifier.LastText(), "File " + path + " does not exist");
  EXPECT_FALSE(std::filesystem::exists(path));
  ParListWindow unread(trapar, notifier);
  trapar.SetParFile("QV_PARZ.TXT");
  EXPECT_EQ(unread.Load(), -1);
  unread.reject();
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ParListTest, FailedWriteOffersToKeepEditingAndReportsTheFailure) {
  const std::filesystem::path sub = folder.File("sub");
  std::filesystem::create_directory(sub);
  trapar.SetParFile("sub/QV_PARZ.TXT");
  PutBytes((sub / "QV_PARZ.TXT").string(), "\"ZSPEED\",3\r\n");
  ASSERT_EQ(window.Load(), 1);
  std::filesystem::remove_all(sub);
  QSignalSpy finished(&window, &QDialog::finished);

  notifier.answer = MsgResult::Yes;
  window.reject();
  EXPECT_EQ(finished.count(), 0);
  EXPECT_EQ(window.WriteResult(), -1);
  ASSERT_GE(notifier.Messages.size(), 2u);
  EXPECT_NE(notifier.Messages[0].Text.find("could not be written"), std::string::npos);

  std::filesystem::create_directory(sub);  // the operator put the folder back
  window.reject();
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(window.WriteResult(), 1);
  EXPECT_EQ(GetBytes((sub / "QV_PARZ.TXT").string()), "\"ZSPEED\",3\r\n");

  notifier.answer = MsgResult::No;
  std::filesystem::remove_all(sub);
  window.reject();
  EXPECT_EQ(finished.count(), 2);
  EXPECT_EQ(window.WriteResult(), -1);
}

TEST_F(ParListTest, EditParFileOnAFileElsewhereKeepsTheProgramFolder) {
  TempFolder other;
  const std::string path = other.File("QV_OBJ.TXT");
  PutBytes(path, "\"A\",1,remark\r\n");
  WhenShown<ParListWindow>([](ParListWindow& shown) {
    shown.OpenEditor(0, 1);
    shown.Field().setText("9");
    shown.CommitEditor();
    shown.close();
  });
  EXPECT_EQ(EditParFile(nullptr, trapar, notifier, path), 1);
  EXPECT_EQ(GetBytes(path), "\"A\",9\r\n");
  EXPECT_EQ(trapar.GetParPath(), folder.File("QV_PARXY.TXT"));
}

}  // namespace
}  // namespace qv::test
