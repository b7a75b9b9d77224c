#pragma once
// The main window: the command box with its history, the Execute button, the time field and
// the message line above the four tabs, and the 300 ms timer that steps a running program and
// does the idle work. It is the front end the core shows its commands and replies on.
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <functional>

#include "app/System.h"
#include "ui/AxesTab.h"
#include "ui/DeviceMenuBar.h"
#include "ui/DeviceTab.h"
#include "ui/MainMenus.h"
#include "ui/MapWidget.h"
#include "ui/ObjectsTab.h"
#include "ui/WindowServices.h"

namespace qv {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `unloaded` runs after the window has been unloaded (closed or "Unload").
  MainWindow(System& system, std::function<void()> unloaded);

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

  QComboBox& CommandBox() { return *cboCommand_; }
  QLabel& MessageLine() { return *lblMsg_; }
  QLabel& TimeField() { return *lblTime_; }
  QTabWidget& Tabs() { return *sstView_; }
  MapWidget& Map() { return *map_; }
  DeviceTab& Devices() { return *devices_; }
  DeviceMenuBar& DeviceMenus() { return *deviceMenus_; }
  ObjectsTab& Objects() { return *objects_; }
  AxesTab& Axes() { return *axes_; }
  MainMenus& Menus() { return *menus_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillDialogs();
  void ForwardServices();
  void BuildTopArea(QWidget* central);
  void BuildTabs(QWidget* central);
  void BuildMenus();
  void ConnectJoystick();
  void TabChanged(int tab);

  System& system_;
  std::function<void()> unloaded_;
  std::function<void()> showProgram_;
  std::function<void()> unloadProgram_;
  std::function<std::string()> launchCapture_;
  // The services the parts hold copies of: each call goes to `dialogs_` as it is at that time.
  class ForwardingEditor final : public TextEditor {
   public:
    explicit ForwardingEditor(const WindowServices& dialogs) : dialogs_(dialogs) {}
    void OpenInTextEditor(const std::string& path) override { dialogs_.OpenInTextEditor(path); }
    void PasteToTextEditor(const std::string& text) override { dialogs_.PasteToTextEditor(text); }

   private:
    const WindowServices& dialogs_;
  };
  WindowServices dialogs_;
  WindowServices services_;
  ForwardingEditor editor_{dialogs_};
  MainMenus* menus_ = nullptr;
  DeviceTab* devices_ = nullptr;
  DeviceMenuBar* deviceMenus_ = nullptr;
  ObjectsTab* objects_ = nullptr;
  AxesTab* axes_ = nullptr;
  QHBoxLayout* top_ = nullptr;
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
