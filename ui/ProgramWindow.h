#pragma once
// The program editor: a window-high column of program lines, each behind a button with its line
// index, and the controls that read, write, edit and run the program. The runner lives in the
// main window's timer; this window only changes the interpreter's program state and shows it.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <functional>
#include <string>
#include <vector>

#include "commands/Interpreter.h"
#include "foundation/Notifier.h"
#include "foundation/SharedState.h"

namespace qv {

// What the program editor works with: the interpreter's program, the program folder, messages.
struct ProgramWindowCore {
  SharedState& state;
  Notifier& notifier;
  Interpreter& interpreter;
};

class ProgramWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Returns the chosen file path, or an empty text when the operator cancelled. `forSaving`
  // tells a save dialog from an open dialog.
  using FileChooser = std::function<std::string(const std::string& title, bool forSaving)>;

  // `unloaded` runs after the window has been closed.
  ProgramWindow(const ProgramWindowCore& core, std::function<void()> unloaded);

  // Tests replace the file dialog.
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

  // The actions of the buttons and menus.
  void ReadProgram();
  void WriteProgram();
  // The window's image on the default printer; Print(printer) draws it on any printer.
  void PrintProgram();
  void Print(QPrinter& printer);
  void FormatProgram();
  void InsertLine();
  void DeleteLine();
  void ClickRow(int row);
  void LeaveRow(int row);

  // What the core sees of the window.
  void SetInterpMessage(const std::string& text);
  void SetProgTime(const std::string& text);
  void SetRunIndicator(bool on);
  void EnableProgEditing(bool enabled);
  void ProgRowsChanged();
  void ProgRowMarked(int previousRow, int row);

  int RowCount() const { return static_cast<int>(nmbButton_.size()); }
  QPushButton& RowButton(int row) { return *nmbButton_.at(static_cast<size_t>(row)); }
  QLineEdit& RowField(int row) { return *commandEdits_.at(static_cast<size_t>(row)); }
  QLabel& Message() { return *messLabel_; }
  QLabel& Time() { return *timeLabel_; }
  QRadioButton& RunIndicator() { return *runOption_; }
  QScrollBar& ScrollBar() { return *scrProg_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void BuildRows(int rows);
  void ColourRow(int row, bool marked);
  bool ScrollKey(int key);
  // Scrolls the view at rest; during a run the view follows the running line.
  void ScrollWhileHalted(int lines);
  int LineOfRow(int row) const;
  void RedrawAllRows();
  std::string ChooseFile(const std::string& title, bool forSaving);

  SharedState& state_;  // the program folder
  Notifier& notifier_;
  Interpreter& interpreter_;
  std::function<void()> unloaded_;
  FileChooser chooseFile_;
  QWidget* rowArea_;
  QScrollBar* scrProg_;  // the view over the whole program, ProgTop as its value
  std::vector<QPushButton*> nmbButton_;
  std::vector<QLineEdit*> commandEdits_;
  QLabel* nameCmdLabel_;
  QLabel* messLabel_;
  QLabel* timeLabel_;
  QRadioButton* runOption_;
  std::vector<QWidget*> editing_;       // disabled while a program runs
  std::vector<QAction*> editingMenus_;  // likewise
  bool unloading_ = false;
};

}  // namespace qv
