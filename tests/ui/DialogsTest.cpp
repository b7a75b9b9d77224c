// The parameter list editor and the file, pick-list and text dialogs, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
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

#include "commands/Display.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/QtApplication.h"
#include "tests/support/RecordingFrontEnd.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/WindowRig.h"
#include "ui/EditWindow.h"
#include "ui/FileListing.h"
#include "ui/FilesWindow.h"
#include "ui/KeywordFileRewrite.h"
#include "ui/ParListWindow.h"
#include "ui/StringSelWindow.h"

namespace qv::test {
namespace {

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
  RecordingNotifier notifier{MsgResult::No};
  Trapar trapar{notifier};
  ParListWindow window{trapar, notifier};
};

TEST_F(ParListTest, ClosingWithoutAChangeWritesNothing) {
  ASSERT_EQ(window.Load(), 1);
  std::filesystem::remove(folder.File("QV_PARXY.TXT"));
  window.show();
  window.OpenEditor(1, 1);
  window.Field().setText("+5.50");  // the same value again is no change
  window.CommitEditor();
  window.close();
  EXPECT_EQ(window.WriteResult(), 1);
  EXPECT_FALSE(std::filesystem::exists(folder.File("QV_PARXY.TXT")));
  EXPECT_TRUE(notifier.Messages.empty());
}

// Only the changed values are replaced, each in its own line, with what surrounds it.
TEST(KeywordFileRewrite, KeepsEverythingButTheChangedValues) {
  using Values = std::vector<std::optional<std::string>>;
  const struct {
    const char* content;
    Values values;
    const char* expected;
  } cases[] = {
      {"\"A\", 1 , remark\r\nshort\r\n\"B\",2",
       {std::nullopt, "3"},
       "\"A\", 1 , remark\r\nshort\r\n\"B\",3"},
      {"\"A\",1\n\"A\",2\r", {std::nullopt, "x\r\ny"}, "\"A\",1\n\"A\",x  y\r"},
      {"\"NOCOMMA\"\r\n", {"5"}, "\"NOCOMMA\",5\r\n"},
      {"\"A\",,old\r\n", {"7"}, "\"A\",7,old\r\n"},
      {"\"A\",1\r\n", {"2", "9"}, "\"A\",2\r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RewriteKeywordValues(c.content, c.values), c.expected) << c.content;
}

TEST_F(ParListTest, TheGridShowsTheFileAndOnlyAValueCommittedWithEnterIsWritten) {
  ASSERT_EQ(window.Load(), 1);
  ASSERT_EQ(window.Grid().rowCount(), 2);
  EXPECT_EQ(window.Grid().item(1, 0)->text(), "XSPEED");
  EXPECT_EQ(window.Grid().item(1, 1)->text(), "+5.50");
  EXPECT_EQ(window.windowTitle().toStdString(), folder.File("QV_PARXY.TXT"));
  window.show();
  window.OpenEditor(0, 0);  // names are not editable
  EXPECT_FALSE(window.Field().isVisibleTo(&window));
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
  EXPECT_EQ(GetBytes(folder.File("QV_PARXY.TXT")),
            "\"XSCREWLEAD\",1000,lead of the X screw\r\nrem\r\n  \"XSPEED\" ,  7.25 \r\n");
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
  auto change = [this](const char* value) {
    window.OpenEditor(0, 1);
    window.Field().setText(value);
    window.CommitEditor();
  };

  change("4");
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
  EXPECT_EQ(GetBytes((sub / "QV_PARZ.TXT").string()), "\"ZSPEED\",4\r\n");

  change("5");
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
  EXPECT_EQ(GetBytes(path), "\"A\",9,remark\r\n");
  EXPECT_EQ(trapar.GetParPath(), folder.File("QV_PARXY.TXT"));
}

// --- File dialog ---

class FilesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override { window.SetNotifier(notifier); }
  QStringList Listed(QListWidget& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
      names << list.item(i)->text();
    return names;
  }
  void Select(const QString& name) {
    for (auto* item : window.Files().findItems(name, Qt::MatchExactly))
      item->setSelected(true);
  }
  static void SetChanged(const std::string& path, const QDateTime& when) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
  }

  TempFolder folder;
  std::string programFolder = [this] {
    PutBytes(folder.File("RUN.PRG"), "XY 1 2\r\n");
    PutBytes(folder.File("low.prg"), "");
    PutBytes(folder.File("NOTES"), std::string(1234, 'x'));
    std::filesystem::create_directory(folder.File("Data"));
    return folder.Dir();
  }();
  RecordingNotifier notifier{MsgResult::No};
  RecordingEditor editor;
  FilesWindow window{editor, programFolder};
};

// A link to a device (the demonstration's controller line) is neither a folder nor a file.
TEST_F(FilesTest, OpensOnTheProgramFolderListingOnlyRealFoldersAndFiles) {
  EXPECT_EQ(window.CurrentDir().toStdString() + "/", folder.Dir());
  std::filesystem::create_symlink("/dev/null", folder.File("controller-line"));
  std::filesystem::create_directory_symlink(folder.File("Data"), folder.File("DataLink"));
  window.SetStartDir(folder.Dir());
  EXPECT_EQ(Listed(window.Folders()), QStringList({"..", "Data", "DataLink"}));
  EXPECT_EQ(Listed(window.Files()), QStringList({"low.prg", "NOTES", "RUN.PRG"}));
  EXPECT_GE(window.Drives().count(), 1);
  EXPECT_FALSE(window.Action("mnuCopyFolder")->isEnabled());
  EXPECT_FALSE(window.Action("mnuCopyFiles")->isEnabled());
  EXPECT_TRUE(window.Action("mnuDeleteFiles")->isEnabled());
}

TEST_F(FilesTest, PatternsFillTheFilterListAndTheFilterNarrowsTheFiles) {
  window.SetPatterns("*.PRG *.*");
  ASSERT_EQ(window.Filters().count(), 2);
  EXPECT_EQ(window.Filters().itemText(0), "*.PRG");
  window.SetFilter("*.PRG");
  EXPECT_EQ(Listed(window.Files()), QStringList({"low.prg", "RUN.PRG"}));
  EXPECT_EQ(window.Filters().currentIndex(), 0);
}

TEST_F(FilesTest, PickingShowsSizeAndDateAndDoneOrCancelDecideTheResult) {
  SetChanged(folder.File("NOTES"), QDateTime(QDate(2024, 3, 7), QTime(14, 5)));
  window.PickFile("NOTES");
  EXPECT_EQ(window.FileField().text(), "NOTES");
  EXPECT_EQ(window.Size().text(), "1,234");
  EXPECT_EQ(window.Date().text(), "03-07-2024 02:05PM");
  window.Done();
  EXPECT_EQ(window.GetResDir() + "/", folder.Dir());
  EXPECT_EQ(window.GetResFile(), "NOTES");
  window.PickFile("RUN.PRG");
  window.Cancel();
  EXPECT_EQ(window.GetResDir(), "");
  EXPECT_EQ(window.GetResFile(), "");
}

TEST_F(FilesTest, FileListToTextListsEveryShownFileForTheEditor) {
  SetChanged(folder.File("NOTES"), QDateTime(QDate(2023, 12, 31), QTime(0, 9)));
  window.SetFilter("NOTES");
  window.FileListToText();
  ASSERT_EQ(editor.pasted.size(), 1u);
  EXPECT_EQ(editor.pasted[0],
            window.CurrentDir().toStdString() + "\r\nNOTES\t1,234\t12-31-2023 12:09AM\r\n");
}

TEST_F(FilesTest, DeletingFilesAsksFirstAndANoDeletesNothing) {
  Select("RUN.PRG");
  Select("NOTES");
  notifier.answer = MsgResult::No;
  window.DeleteFiles();
  EXPECT_EQ(notifier.LastText(), "Delete selected files?");
  EXPECT_TRUE(std::filesystem::exists(folder.File("RUN.PRG")));
  EXPECT_EQ(window.Files().count(), 3);
  Select("RUN.PRG");
  Select("NOTES");
  notifier.answer = MsgResult::Yes;
  window.DeleteFiles();
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"Data", "low.prg"}));
  EXPECT_EQ(Listed(window.Files()), QStringList({"low.prg"}));
}

TEST_F(FilesTest, FoldersAreMadeAndRemovedOnlyWhenThatIsSafe) {
  EXPECT_FALSE(window.CreateFolder("../escape"));
  EXPECT_FALSE(std::filesystem::exists(folder.File("../escape")));
  EXPECT_FALSE(window.CreateFolder("Data"));
  EXPECT_NE(notifier.LastText().find("already exists"), std::string::npos);
  EXPECT_TRUE(window.CreateFolder(" New "));
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("New")));

  PutBytes(folder.File("Data/keep.txt"), "keep");
  window.Folders().setCurrentItem(window.Folders().findItems("Data", Qt::MatchExactly)[0]);
  notifier.answer = MsgResult::Yes;
  window.DeleteFolder();
  EXPECT_EQ(notifier.Messages[notifier.Messages.size() - 2].Text,
            "Delete " + folder.File("Data") + " ?");
  EXPECT_TRUE(std::filesystem::exists(folder.File("Data/keep.txt")));
  window.Folders().setCurrentItem(window.Folders().findItems("New", Qt::MatchExactly)[0]);
  window.DeleteFolder();
  EXPECT_FALSE(std::filesystem::exists(folder.File("New")));
}

TEST_F(FilesTest, ViewAndNewTextGoToTheTextEditorAndBadFoldersAreRefused) {
  window.ViewAsText();
  EXPECT_TRUE(editor.opened.empty());
  window.PickFile("RUN.PRG");
  window.Action("mnuViewText")->trigger();
  window.Action("mnuNewText")->trigger();
  EXPECT_EQ(editor.opened, (std::vector<std::string>{folder.File("RUN.PRG"), ""}));

  const QString before = window.CurrentDir();
  EXPECT_FALSE(window.ChangeDir(QString::fromStdString(folder.File("gone"))));
  EXPECT_EQ(window.CurrentDir(), before);
  EXPECT_TRUE(window.ChangeDir(QString::fromStdString(folder.File("Data"))));
  EXPECT_EQ(window.Folders().item(0)->text(), "..");
  EXPECT_EQ(window.Files().count(), 0);
}

TEST_F(FilesTest, ChooseFileGivesTheFullPathOrNothing) {
  WhenShown<FilesWindow>([](FilesWindow& shown) {
    EXPECT_EQ(shown.Files().count(), 2);  // *.PRG first
    shown.PickFile("RUN.PRG");
    shown.Done();
  });
  EXPECT_EQ(ChooseFile(nullptr, editor, programFolder, "Read", "*.PRG *.*", ""),
            folder.File("RUN.PRG"));
  WhenShown<FilesWindow>([](FilesWindow& shown) {
    shown.PickFile("RUN.PRG");
    shown.close();
  });
  EXPECT_EQ(ChooseFile(nullptr, editor, programFolder, "Read", "*.PRG", folder.File("gone")), "");
}

TEST(FileListingTest, SizesAndTimesTakeTheListingForm) {
  for (const auto& [size, text] : {std::pair<uint64_t, const char*>{0, "0"},
                                   {999, "999"},
                                   {1000, "1,000"},
                                   {1234567, "1,234,567"}})
    EXPECT_EQ(FormatFileSize(size), text);
  EXPECT_EQ(FormatFileDate({2024, 1, 2, 0, 0}), "01-02-2024 12:00AM");
  EXPECT_EQ(FormatFileDate({2024, 11, 22, 12, 30}), "11-22-2024 12:30PM");
  EXPECT_EQ(FormatFileDate({2024, 11, 22, 23, 59}), "11-22-2024 11:59PM");
}

// --- Pick list ---

class StringSelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override {
    front.loaded = {"frmQuorvalin"};
    front.commandText = "Rel 10 20";
    window.StringLoad({"XY", "Z", "W1"});
  }
  RecordingFrontEnd front;
  Display display{front};
  StringSelWindow window{display};
};

TEST_F(StringSelTest, ShiftPutsTheChoiceInFrontOfTheCommand) {
  EXPECT_EQ(window.GiveSelected(), "");
  window.List().setCurrentRow(0);
  QTest::keyClick(&window.List(), Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(front.commandText, "XY Rel 10 20");
  EXPECT_EQ(window.GiveSelected(), "XY");
}

TEST_F(StringSelTest, AClickOrEnterWithoutShiftReplacesTheCommandOnce) {
  QListWidget& list = window.List();
  window.show();
  const QRect row = list.visualItemRect(list.item(1));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(front.commandText, "Z");
  list.setCurrentRow(2);
  QTest::keyClick(&list, Qt::Key_Enter);
  EXPECT_EQ(front.commandText, "W1");
  EXPECT_TRUE(window.isVisible());
  QTest::keyClick(&list, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(StringSelTest, WindowGrowsWithItsTextsButStaysOnTheScreen) {
  const int narrow = window.width();
  window.StringLoad({"XY", std::string(60, 'W')});
  EXPECT_GT(window.width(), narrow);
  window.StringLoad(std::vector<std::string>(500, std::string(2000, 'W')));
  const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
  EXPECT_LE(window.width(), screen.width());
  EXPECT_LE(window.height(), screen.height());
}

// --- Text editor ---

TEST(EditWindowTest, DoneGivesTheTextCancelAndClosingGiveNothing) {
  EnsureQApplication();
  EditWindow window;
  EXPECT_EQ(window.GetAccept(), 0);
  window.SetText("XY Rel 1 0\r\nZ 5");
  EXPECT_EQ(window.Field().toPlainText(), "XY Rel 1 0\nZ 5");
  window.Field().appendPlainText("F 2");
  window.findChild<QPushButton*>("btnDone")->click();
  EXPECT_EQ(window.GetAccept(), 1);
  EXPECT_EQ(window.GetTextRes(), "XY Rel 1 0\r\nZ 5\r\nF 2");

  window.show();
  window.findChild<QPushButton*>("btnCancel")->click();
  EXPECT_EQ(window.GetAccept(), 0);
  EXPECT_EQ(window.GetTextRes(), "");
  window.Done();
  window.show();
  window.close();
  EXPECT_EQ(window.GetAccept(), 0);
  EXPECT_EQ(window.GetTextRes(), "");
}

}  // namespace
}  // namespace qv::test
