#pragma once
// The main window: the command box with its history, the Execute button, the time field and
// the message line above the four tabs, and the 300 ms timer that steps a running program and
// does the idle work. It is the front end the core shows its commands and replies on.
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <functional>

#include "app/System.h"
#include "ui/MapWidget.h"

namespace qv {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `unloaded` runs after the window has been unloaded (closed or "Unload").
  MainWindow(System& system, std::function<void()> unloaded);

  // Menu "Int." › "Interpreter" shows the program editor; unloading the main window unloads it.
  void SetProgramWindowHooks(std::function<void()> show, std::function<void()> unload) {
    showProgram_ = std::move(show);
    unloadProgram_ = std::move(unload);
  }

  // The execute steps: clear the message line and time field, let events run, remember the
  // command, run it and show the joined reply and the milliseconds it took.
  void ExecuteCommandBox();
  void RememberCmdInHist();

  // What the core sees of the window.
  std::string CommandText() const;
  void SetCommandText(const std::string& text);
  void SetMessage(const std::string& text);
  std::string MessageText() const;
  void SetTimeText(const std::string& text);
  void Unload();

  QComboBox& CommandBox() { return *cboCommand_; }
  QLabel& MessageLine() { return *lblMsg_; }
  QLabel& TimeField() { return *lblTime_; }
  QTabWidget& Tabs() { return *sstView_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TimerTick();

  System& system_;
  std::function<void()> unloaded_;
  std::function<void()> showProgram_;
  std::function<void()> unloadProgram_;
  QComboBox* cboCommand_;
  QPushButton* cmdExecute_;
  QLabel* lblTime_;
  QLabel* lblMsg_;
  QTabWidget* sstView_;
  MapWidget* map_;
  QTimer tmrQV_;
  int timerBusy_ = 0;  // re-entry count of the timer handler
  bool unloading_ = false;
};

}  // namespace qv
