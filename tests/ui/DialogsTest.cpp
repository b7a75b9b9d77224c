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

// Works on whatever modal dialog is up once the event loop runs; `act` closes it.
template <class Dialog, class Act>
void WhenShown(Act act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

// The parameter editor on QV_PARXY.TXT of `folder`, the file dialog on the program folder
// `program`, and the pick list on a recording front end; questions are answered No.
class Dialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override {
    keywordFiles.SetParDir(folder.Dir());
    PutBytes(folder.File("QV_PARXY.TXT"), kFile);
    files.SetNotifier(notifier);
  }
  QStringList Listed(QListWidget& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
      names << list.item(i)->text();
    return names;
  }

  static constexpr const char* kFile =
      "\"XSCREWLEAD\",1000,lead of the X screw\r\nrem\r\n  \"XSPEED\" ,  +5.50 \r\n";
  TempFolder folder;
  TempFolder program;
  std::string programDir = [this] {
    PutBytes(program.File("RUN.PRG"), "XY 1 2\r\n");
    PutBytes(program.File("low.prg"), "");
    PutBytes(program.File("NOTES"), std::string(1234, 'x'));
    std::filesystem::create_directory(program.File("Data"));
    return program.Dir();
  }();
  RecordingNotifier notifier{MsgResult::No};
  KeywordFiles keywordFiles{notifier};
  ParListWindow parList{keywordFiles, notifier};
  RecordingEditor editor;
  FilesWindow files{editor, programDir};
  RecordingFrontEnd front;
  Display display{front};
  StringSelWindow pick{display};
};

// --- Parameter list editor ---

TEST_F(Dialogs, ClosingWritesOnlyAChangeAndAFailedWriteOffersToKeepEditing) {
  ASSERT_EQ(parList.Load(folder.File("QV_PARXY.TXT")), 1);
  std::filesystem::remove(folder.File("QV_PARXY.TXT"));
  parList.show();
  parList.OpenEditor(1, 1);
  parList.Field().setText("+5.50");  // the same value again is no change
  parList.CommitEditor();
  parList.close();
  EXPECT_EQ(parList.WriteResult(), 1);
  EXPECT_FALSE(std::filesystem::exists(folder.File("QV_PARXY.TXT")));

  const std::string sub = folder.File("sub"), file = sub + "/QV_PARZ.TXT";
  std::filesystem::create_directory(sub);
  PutBytes(file, "\"ZSPEED\",3\r\n");
  ASSERT_EQ(parList.Load(file), 1);
  QSignalSpy finished(&parList, &QDialog::finished);
  // Changes the value and closes with the folder gone or back: times closed, the write's result.
  const auto close = [&](const char* value, MsgResult keepEditing, bool folderBack) {
    parList.OpenEditor(0, 1);
    parList.Field().setText(value);
    parList.CommitEditor();
    notifier.answer = keepEditing;
    folderBack ? void(std::filesystem::create_directory(sub))
               : void(std::filesystem::remove_all(sub));
    parList.reject();
    return std::to_string(finished.count()) + " " + std::to_string(parList.WriteResult());
  };
  EXPECT_EQ(close("4", MsgResult::Yes, false), "0 -1");
  EXPECT_NE(notifier.Messages.at(0).Text.find("could not be written"), std::string::npos);
  EXPECT_EQ(close("4", MsgResult::Yes, true), "1 1");  // the operator put the folder back
  EXPECT_EQ(GetBytes(file), "\"ZSPEED\",4\r\n");
  EXPECT_EQ(close("5", MsgResult::No, false), "2 -1");
}

// Only the changed values are replaced, each on the entry of its name in its own line, with what
// surrounds it (remarks and other lines: Dialogs.TheGridShowsTheFileAndOnlyAValueCommittedWith-
// EnterIsWritten); an entry the file no longer has is added.
TEST(KeywordFileRewrite, KeepsEverythingButTheChangedValues) {
  const struct {
    std::string content;
    std::vector<KeywordChange> changes;
    std::string expected;
  } cases[] = {
      {"\"A\",1\n\"A\",2\r", {{"A", 1, "x\r\ny"}}, "\"A\",1\n\"A\",x  y\r"},
      {"\"NOCOMMA\"\r\n", {{"NOCOMMA", 0, "5"}}, "\"NOCOMMA\",5\r\n"},
      {"\"A\",,old\r\n", {{"A", 0, "7"}}, "\"A\",7,old\r\n"},
      {"\"B\",0\r\n\"A\",1",
       {{"A", 0, "2"}, {"A", 1, "9"}, {"C", 0, "3"}},
       "\"B\",0\r\n\"A\",2\r\n\"A\",9\r\n\"C\",3\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    EXPECT_EQ(MergeKeywordValues(c.content, c.changes), c.expected);
  }
}

// The grid shows the values with the remarks beside them. Enter or F2 opens the current row's
// value, a typed character starts a new one, Enter keeps it and Esc leaves the box; leaving it
// otherwise (a click elsewhere) drops what was typed. Esc then closes the window, which saves.
TEST_F(Dialogs, TheKeyboardEditsAndClosesTheGridAndOnlyAValueKeptWithEnterIsWritten) {
  ASSERT_EQ(parList.Load(folder.File("QV_PARXY.TXT")), 1);
  QTableWidget& grid = parList.Grid();
  const auto row = [&grid](int r) {
    return grid.item(r, 0)->text() + "=" + grid.item(r, 1)->text() + " (" +
           grid.item(r, 2)->text() + ")";
  };
  EXPECT_EQ(QStringList({row(0), row(1)}),
            QStringList({"XSCREWLEAD=1000 (lead of the X screw)", "XSPEED=+5.50 ()"}));
  EXPECT_EQ(parList.windowTitle().toStdString(), folder.File("QV_PARXY.TXT"));
  parList.show();
  parList.OpenEditor(0, 0);  // names are not editable
  EXPECT_FALSE(parList.Field().isVisibleTo(&parList));
  grid.setFocus();
  for (const Qt::Key key : {Qt::Key_F2, Qt::Key_Return}) {
    QTest::keyClick(&grid, key);
    EXPECT_EQ(parList.Field().isVisibleTo(&parList) ? parList.Field().text() : "", "1000") << key;
    QTest::keyClick(&parList.Field(), Qt::Key_Escape);
    EXPECT_FALSE(parList.Field().isVisibleTo(&parList));
    EXPECT_TRUE(parList.isVisible()) << "Esc in the box leaves the box only";
  }
  QTest::keyClick(&grid, Qt::Key_Down);
  QTest::keyClick(&grid, Qt::Key_7);
  QTest::keyClicks(&parList.Field(), ".25");
  QTest::keyClick(&parList.Field(), Qt::Key_Return);
  EXPECT_EQ(row(1), "XSPEED=7.25 ()");
  EXPECT_TRUE(parList.isVisible()) << "Enter in the box must not close the window";
  EXPECT_FALSE(parList.Field().isVisibleTo(&parList)) << "nor open the box again";

  parList.OpenEditor(0, 1);
  QTest::keyClicks(&parList.Field(), "2000");
  QFocusEvent focusOut(QEvent::FocusOut);
  QApplication::sendEvent(&parList.Field(), &focusOut);  // clicking elsewhere
  EXPECT_FALSE(parList.Field().isVisibleTo(&parList));
  QTest::keyClick(&grid, Qt::Key_Escape);
  EXPECT_FALSE(parList.isVisible());
  EXPECT_EQ(GetBytes(folder.File("QV_PARXY.TXT")),
            "\"XSCREWLEAD\",1000,lead of the X screw\r\nrem\r\n  \"XSPEED\" ,  7.25 \r\n");
}

// A click opens the value selected, so that typing replaces it. A value the file cannot hold
// as one (a comma ends it, a quote spoils it) is refused with a message and the box stays open;
// a value a hundred times the old one or more is kept only after a question naming key and file.
TEST_F(Dialogs, TypedValuesReplaceTheOldOneAndValuesTheFileCannotHoldAreRefused) {
  ASSERT_EQ(parList.Load(folder.File("QV_PARXY.TXT")), 1);
  parList.show();
  const struct {
    std::string typed;
    MsgResult answer;
    std::string cell;     // the value cell after Enter
    std::string message;  // the start of the message shown, empty for none
  } rows[] = {
      {"7000", MsgResult::No, "7000", ""},
      {"1,5", MsgResult::No, "7000", "XSCREWLEAD: 1,5 is not kept"},
      {"5\"", MsgResult::No, "7000", "XSCREWLEAD: 5\" is not kept"},
      {"800000", MsgResult::No, "7000",
       "XSCREWLEAD in QV_PARXY.TXT: 800000 is more than 100 times"},
      {"800000", MsgResult::Yes, "800000", "XSCREWLEAD in QV_PARXY.TXT: 800000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    notifier.Clear();
    notifier.answer = row.answer;
    const QRect cell = parList.Grid().visualItemRect(parList.Grid().item(0, 1));
    QTest::mouseClick(parList.Grid().viewport(), Qt::LeftButton, {}, cell.center());
    QTest::keyClicks(&parList.Field(), QString::fromStdString(row.typed));
    QTest::keyClick(&parList.Field(), Qt::Key_Return);
    EXPECT_EQ(parList.Grid().item(0, 1)->text().toStdString(), row.cell);
    EXPECT_EQ(notifier.LastText().substr(0, row.message.size()), row.message);
    // A refused value leaves the box open on it; an accepted one closes it.
    EXPECT_EQ(parList.Field().isVisibleTo(&parList), row.cell != row.typed);
  }
  parList.close();
  EXPECT_EQ(GetBytes(folder.File("QV_PARXY.TXT")).rfind("\"XSCREWLEAD\",800000,lead of", 0), 0u);
}

// A file elsewhere is edited by its full path, a name alone is one of the program folder; a
// missing one is reported and nothing is written.
TEST_F(Dialogs, EditParFileEditsAFileElsewhereAndReportsAMissingOne) {
  const std::string path = program.File("QV_OBJ.TXT");
  PutBytes(path, "\"A\",1,remark\r\n");
  WhenShown<ParListWindow>([](ParListWindow& shown) {
    shown.OpenEditor(0, 1);
    shown.Field().setText("9");
    shown.CommitEditor();
    shown.close();
  });
  EXPECT_EQ(EditParFile(nullptr, keywordFiles, notifier, path), 1);
  EXPECT_EQ(GetBytes(path), "\"A\",9,remark\r\n");

  const std::string missing = folder.File("QV_PARZ.TXT");
  EXPECT_EQ(EditParFile(nullptr, keywordFiles, notifier, "QV_PARZ.TXT"), -1);
  EXPECT_EQ(notifier.LastText(), "File " + missing + " does not exist");
  ParListWindow unread(keywordFiles, notifier);
  EXPECT_EQ(unread.Load(missing), -1);
  unread.reject();
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// --- File dialog ---

// A link to a device (the demonstration's controller line) is neither a folder nor a file.
TEST_F(Dialogs, OpensOnTheProgramFolderListingRealEntriesAndTheEditorOpensTheChosenFile) {
  EXPECT_EQ(files.CurrentDir().toStdString() + "/", programDir);
  std::filesystem::create_symlink("/dev/null", program.File("controller-line"));
  std::filesystem::create_directory_symlink(program.File("Data"), program.File("DataLink"));
  files.SetStartDir(programDir);
  EXPECT_EQ(Listed(files.Folders()), QStringList({"..", "Data", "DataLink"}));
  EXPECT_EQ(Listed(files.Files()), QStringList({"low.prg", "NOTES", "RUN.PRG"}));
  EXPECT_GE(files.Drives().count(), 1);
  const std::array enabled = {files.Action("mnuCopyFolder")->isEnabled(),
                              files.Action("mnuCopyFiles")->isEnabled(),
                              files.Action("mnuDeleteFiles")->isEnabled()};
  EXPECT_EQ(enabled, (std::array{false, false, true}));

  files.ViewAsText();
  EXPECT_TRUE(editor.opened.empty());
  files.PickFile("RUN.PRG");
  files.Action("mnuViewText")->trigger();
  files.Action("mnuNewText")->trigger();
  EXPECT_EQ(editor.opened, (std::vector<std::string>{program.File("RUN.PRG"), ""}));

  EXPECT_FALSE(files.ChangeDir(QString::fromStdString(program.File("gone"))));
  EXPECT_EQ(files.CurrentDir().toStdString() + "/", programDir);
  EXPECT_TRUE(files.ChangeDir(QString::fromStdString(program.File("Data"))));
  EXPECT_EQ(Listed(files.Folders()) + Listed(files.Files()), QStringList({".."}));
}

// The list for the editor and a picked file show the same size and date.
TEST_F(Dialogs, TheListAndAPickedFileShowSizeAndDateAndDoneGivesTheFullPathCancelNothing) {
  QFile notes(QString::fromStdString(program.File("NOTES")));
  ASSERT_TRUE(notes.open(QIODevice::ReadWrite));
  ASSERT_TRUE(notes.setFileTime(QDateTime(QDate(2024, 3, 7), QTime(14, 5)),
                                QFileDevice::FileModificationTime));
  files.SetFilter("NOTES");
  files.FileListToText();  // every file shown
  EXPECT_EQ(editor.pasted, std::vector<std::string>{files.CurrentDir().toStdString() +
                                                    "\r\nNOTES\t1,234\t03-07-2024 02:05PM\r\n"});
  files.PickFile("NOTES");
  EXPECT_EQ(QStringList({files.FileField().text(), files.Size().text(), files.Date().text()}),
            QStringList({"NOTES", "1,234", "03-07-2024 02:05PM"}));
  files.Done();
  EXPECT_EQ(files.GetResDir() + "/" + files.GetResFile(), programDir + "NOTES");
  files.PickFile("NOTES");
  files.Cancel();
  EXPECT_EQ(files.GetResDir() + files.GetResFile(), "");

  WhenShown<FilesWindow>([](FilesWindow& shown) {
    EXPECT_EQ(shown.Filters().count(), 2);
    EXPECT_EQ(shown.Files().count(), 2);  // *.PRG first
    shown.PickFile("RUN.PRG");
    shown.Done();
  });
  EXPECT_EQ(ChooseFile(nullptr, editor, programDir, "Read", "*.PRG *.*", ""),
            program.File("RUN.PRG"));
  WhenShown<FilesWindow>([](FilesWindow& shown) {
    shown.PickFile("RUN.PRG");
    shown.close();
  });
  EXPECT_EQ(ChooseFile(nullptr, editor, programDir, "Read", "*.PRG", program.File("gone")), "");
}

TEST_F(Dialogs, FilesAreDeletedAfterAYesAndFoldersMadeAndRemovedOnlyWhenSafe) {
  for (const char* name : {"RUN.PRG", "NOTES"})
    files.Files().findItems(name, Qt::MatchExactly).at(0)->setSelected(true);
  files.DeleteFiles();  // answered No
  EXPECT_EQ(notifier.LastText(), "Delete selected files?");
  EXPECT_EQ(program.Entries().size(), 4u);
  notifier.answer = MsgResult::Yes;
  files.DeleteFiles();
  EXPECT_EQ(program.Entries(), (std::vector<std::string>{"Data", "low.prg"}));
  EXPECT_EQ(Listed(files.Files()), QStringList({"low.prg"}));

  EXPECT_FALSE(files.CreateFolder("../escape"));
  EXPECT_FALSE(std::filesystem::exists(program.File("../escape")));
  EXPECT_FALSE(files.CreateFolder("Data"));
  EXPECT_NE(notifier.LastText().find("already exists"), std::string::npos);
  EXPECT_TRUE(files.CreateFolder(" New "));
  EXPECT_TRUE(std::filesystem::is_directory(program.File("New")));

  PutBytes(program.File("Data/keep.txt"), "keep");
  files.Folders().setCurrentItem(files.Folders().findItems("Data", Qt::MatchExactly)[0]);
  files.DeleteFolder();
  EXPECT_EQ(notifier.Messages[notifier.Messages.size() - 2].Text,
            "Delete " + program.File("Data") + " ?");
  EXPECT_TRUE(std::filesystem::exists(program.File("Data/keep.txt")));
  files.Folders().setCurrentItem(files.Folders().findItems("New", Qt::MatchExactly)[0]);
  files.DeleteFolder();
  EXPECT_FALSE(std::filesystem::exists(program.File("New")));
}

TEST(FileListingTest, SizesAndTimesTakeTheListingForm) {
  EXPECT_EQ(FormatFileSize(999) + " " + FormatFileSize(1000) + " " + FormatFileSize(1234567),
            "999 1,000 1,234,567");
  EXPECT_EQ(FormatFileDate({2024, 1, 2, 0, 0}), "01-02-2024 12:00AM");      // midnight
  EXPECT_EQ(FormatFileDate({2024, 11, 22, 12, 30}), "11-22-2024 12:30PM");  // noon
}

// --- Pick list ---

// Shift puts the choice in front of the command; a click or Enter without Shift replaces it.
TEST_F(Dialogs, APickListChoiceGoesIntoTheCommandBoxAndTheListGrowsWithinTheScreen) {
  front.loaded = {"frmQuorvalin"};
  front.commandText = "Rel 10 20";
  pick.StringLoad({"XY", "Z", "W1"});
  QListWidget& list = pick.List();
  list.setCurrentRow(0);
  QTest::keyClick(&list, Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(front.commandText + "|" + pick.GiveSelected(), "XY Rel 10 20|XY");

  pick.show();
  const QRect row = list.visualItemRect(list.item(1));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(front.commandText, "Z");
  list.setCurrentRow(2);
  QTest::keyClick(&list, Qt::Key_Enter);
  EXPECT_EQ(front.commandText, "W1");
  EXPECT_TRUE(pick.isVisible());
  QTest::keyClick(&list, Qt::Key_Escape);
  EXPECT_FALSE(pick.isVisible());

  pick.StringLoad({"XY"});
  const int narrow = pick.width();
  pick.StringLoad({"XY", std::string(60, 'W')});
  EXPECT_GT(pick.width(), narrow);
  pick.StringLoad(std::vector<std::string>(500, std::string(2000, 'W')));
  const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
  EXPECT_LE(pick.width(), screen.width());
  EXPECT_LE(pick.height(), screen.height());
}

// --- Text editor ---

TEST_F(Dialogs, TheTextEditorsDoneGivesTheTextCancelAndClosingGiveNothing) {
  EditWindow window;
  window.SetText("XY Rel 1 0\r\nZ 5");
  window.Field().appendPlainText("F 2");
  const auto result = [&] { return std::pair(window.GetAccept(), window.GetTextRes()); };
  window.findChild<QPushButton*>("btnDone")->click();
  EXPECT_EQ(result(), std::pair(1, std::string("XY Rel 1 0\r\nZ 5\r\nF 2")));
  window.show();
  window.findChild<QPushButton*>("btnCancel")->click();
  EXPECT_EQ(result(), std::pair(0, std::string()));
  window.Done();
  window.show();
  window.close();
  EXPECT_EQ(window.GetAccept(), 0);
}

}  // namespace
}  // namespace qv::test
