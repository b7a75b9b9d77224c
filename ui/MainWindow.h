#pragma once
// The main window: the command box with its history, the Execute button, the time field and
// the message line above the four tabs, the status bar with the devices' state and the Stop
// button, and the 300 ms timer that steps a running program and does the idle work. It is the
// front end the core shows its commands and replies on.
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

#include "ui/AxesTab.h"
#include "ui/BusyIndicator.h"
#include "ui/CoreServices.h"
#include "ui/DeviceMenuBar.h"
#include "ui/DeviceTab.h"
#include "ui/MainMenus.h"
#include "ui/MainStatusBar.h"
#include "ui/MapWidget.h"
#include "ui/MessageLine.h"
#include "ui/ObjectsTab.h"
#include "ui/PositionReadout.h"
#include "ui/WindowParts.h"
#include "ui/WindowServices.h"

namespace qv {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `unloaded` runs after the window has been unloaded (closed or "Unload").
  MainWindow(const CoreServices& core, std::function<void()> unloaded);

  ~MainWindow() override;

  // Menu "Int." › "Interpreter" shows the program editor; unloading the main window unloads it.
  void SetProgramWindowHooks(std::function<void()> show, std::function<void()> unload) {
    showProgram_ = std::move(show);
    unloadProgram_ = std::move(unload);
  }
  // The capture program's launch from "Int." › "Launch Capture Prog": the message line text.
  void SetCaptureLauncher(std::function<std::string()> launch) {
    launchCapture_ = std::move(launch);
  }
  // The dialogs and the text editor the window's parts use. The window fills in its own
  // dialogs; the program gives the text editor, and tests answer the dialogs themselves.
  WindowServices& Services() { return dialogs_; }

  // The execute steps: take and remember the command, clear the message line and time field, let
  // events run, run the command and show the joined reply and the milliseconds it took.
  void ExecuteCommandBox();
  void RememberCmdInHist();
  // The Stop button and Esc: every ready device stops at once, a running program ends, and an
  // operation of the window that waits for a motion ends as stopped.
  void Stop();

  // What the core sees of the window.
  std::string CommandText() const;
  void SetCommandText(const std::string& text);
  void SetMessage(const std::string& text);
  std::string MessageText() const;
  void SetTimeText(const std::string& text);
  void Unload();
  void JoyVisibility();
  void JoyDisplay(int16_t d1, int16_t d2, int16_t fullScale);
  void DisplayObjList() { objects_->DisplayObjList(); }
  void HighlightObjInGrid(int32_t n) { objects_->HighlightObjInGrid(n); }
  void MagCaption() { devices_->MagCaption(); }
  void ObjectivePosCheck() { deviceMenus_->ObjectivePosCheck(); }
  // Captions and check marks follow what commands did to the devices.
  void RefreshDeviceCaptions();
  // The stage mark on the map follows the stage.
  void StagePositionDisplay() { map_->StagePositionDisplay(); }
  void TimerTick();

  QComboBox& CommandBox() { return *commandBox_; }
  MessageLine& Message() { return *messageLine_; }
  MainStatusBar& Status() { return *status_; }
  QLabel& TimeField() { return *timeLabel_; }
  QTabWidget& Tabs() { return *tabs_; }
  MapWidget& Map() { return *map_; }
  DeviceTab& Devices() { return *devices_; }
  DeviceMenuBar& DeviceMenus() { return *deviceMenus_; }
  ObjectsTab& Objects() { return *objects_; }
  AxesTab& Axes() { return *axes_; }
  MainMenus& Menus() { return *menus_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Esc and the jog keys, wherever the keyboard is in this window; true when used.
  bool WindowKey(QWidget* target, const QKeyEvent& event);
  void OperationBegins(const std::string& what);
  void OperationEnds();
  void EndStop();
  // Something may have moved the stage or the focus: the readout is brought up to date once
  // nothing runs any more.
  void PositionsMayChange();
  void SettleReadout();
  void WatchForMotions();
  void ShowPointer(std::optional<MapPoint> at);
  void FillDialogs();
  void ForwardServices();
  void BuildTopArea(QWidget* central);
  void BuildTabs(QWidget* central);
  void BuildMenus();
  void ConnectJoystick();
  void TabChanged(int tab);

  CoreServices core_;
  PositionReadout readout_{ReadoutPart(core_)};
  ControllerDiagnostics axisDiagnostics_{core_.motors};  // what the axes panel runs
  std::function<void()> unloaded_;
  std::function<void()> showProgram_;
  std::function<void()> unloadProgram_;
  std::function<std::string()> launchCapture_;
  // The services the parts hold copies of: each call goes to `dialogs_` as it is at that time,
  // and the editor says on the message line how it took the text.
  class ForwardingEditor final : public TextEditor {
   public:
    ForwardingEditor(const WindowServices& dialogs, std::function<void(const std::string&)> say)
        : dialogs_(dialogs), say_(std::move(say)) {}
    void OpenInTextEditor(const std::string& path) override {
      if (TextEditor* editor = Target()) editor->OpenInTextEditor(path);
    }
    void PasteToTextEditor(const std::string& text) override {
      if (TextEditor* editor = Target()) editor->PasteToTextEditor(text);
    }

   private:
    TextEditor* Target() {
      if (dialogs_.textEditor) dialogs_.textEditor->SetReport(say_);
      return dialogs_.textEditor;
    }
    const WindowServices& dialogs_;
    std::function<void(const std::string&)> say_;
  };
  WindowServices dialogs_;
  WindowServices services_;
  // The editor outlives the window: its reports find the window only while it exists.
  ForwardingEditor editor_{dialogs_,
                           [window = QPointer<MainWindow>(this)](const std::string& text) {
                             if (window) window->SetMessage(text);
                           }};
  MainMenus* menus_ = nullptr;
  DeviceTab* devices_ = nullptr;
  DeviceMenuBar* deviceMenus_ = nullptr;
  ObjectsTab* objects_ = nullptr;
  AxesTab* axes_ = nullptr;
  QHBoxLayout* top_ = nullptr;
  QComboBox* commandBox_;
  QLineEdit* commandEdit_;  // the command box's text, watched for the caret
  QPushButton* executeButton_;
  QLabel* timeLabel_;
  MessageLine* messageLine_;
  QTabWidget* tabs_;
  MapWidget* map_;
  MainStatusBar* status_;
  std::unique_ptr<BusyIndicator> busy_;
  QTimer tickTimer_;
  int timerBusy_ = 0;  // re-entry count of the timer handler
  bool unloading_ = false;
};

}  // namespace qv
