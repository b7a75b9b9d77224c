#pragma once
// The front end that the core is built with when the program has a main window: it forwards to
// the window while one is loaded and does nothing otherwise, as the core expects of an unloaded
// window. The window is made after the core, so it is attached later.
#include <QApplication>
#include <functional>
#include <utility>

#include "commands/FrontEnd.h"
#include "ui/MainWindow.h"
#include "ui/ProgramWindow.h"

namespace qv {

class WindowFrontEnd : public FrontEnd {
 public:
  // A "Show" given before the window was made (by the joystick list's item 0 at start-up) shows
  // it as soon as it is attached.
  void Attach(MainWindow* window) {
    window_ = window;
    if (window_ && std::exchange(showWhenAttached_, false)) window_->show();
  }
  // Makes the window again after it was unloaded ("Show" loads it if needed).
  void SetLoader(std::function<MainWindow*()> load) { load_ = std::move(load); }
  MainWindow* Window() const { return window_; }
  // The program window while it is loaded; nullptr detaches it when it unloads.
  void AttachProgram(ProgramWindow* window) { program_ = window; }
  ProgramWindow* ProgramWin() const { return program_; }

  bool IsFormLoaded(std::string_view formName) const override {
    if (formName == kProgramForm) return program_ != nullptr;
    return window_ != nullptr && formName == kMainForm;
  }
  std::vector<std::pair<std::string, std::string>> LoadedForms() const override {
    std::vector<std::pair<std::string, std::string>> forms;
    if (window_) forms.emplace_back(kMainForm, window_->windowTitle().toStdString());
    if (program_) forms.emplace_back(kProgramForm, program_->windowTitle().toStdString());
    return forms;
  }
  void DoEvents() override { QApplication::processEvents(); }
  std::string CommandText() const override { return window_ ? window_->CommandText() : ""; }
  void SetCommandText(const std::string& text) override {
    if (window_) window_->SetCommandText(text);
  }
  void SetMessage(const std::string& text) override {
    if (window_) window_->SetMessage(text);
  }
  std::string MessageText() const override { return window_ ? window_->MessageText() : ""; }
  void SetTimeText(const std::string& text) override {
    if (window_) window_->SetTimeText(text);
  }
  void ShowMainWindow() override {
    if (!window_ && load_) window_ = load_();
    if (window_) window_->show();
    showWhenAttached_ = !window_;
  }
  void HideMainWindow() override {
    if (window_) window_->hide();
    showWhenAttached_ = false;
  }
  void UnloadMainWindow() override {
    if (window_) window_->Unload();
  }
  // Commands from any source (a client, the console, a program) show on the window.
  void DisplayObjList() override {
    if (window_) window_->DisplayObjList();
  }
  void JoyVisibility() override {
    if (window_) window_->JoyVisibility();
  }
  void MagCaption() override {
    if (window_) window_->MagCaption();
  }
  void ObjectivePosCheck() override {
    if (window_) window_->ObjectivePosCheck();
  }

  void SetInterpMessage(const std::string& text) override {
    if (program_) program_->SetInterpMessage(text);
  }
  void SetProgTime(const std::string& text) override {
    if (program_) program_->SetProgTime(text);
  }
  void SetRunIndicator(bool on) override {
    if (program_) program_->SetRunIndicator(on);
  }
  void EnableProgEditing(bool enabled) override {
    if (program_) program_->EnableProgEditing(enabled);
  }
  void ProgRowsChanged() override {
    if (program_) program_->ProgRowsChanged();
  }
  void ProgRowMarked(int previousRow, int row) override {
    if (program_) program_->ProgRowMarked(previousRow, row);
  }

 private:
  MainWindow* window_ = nullptr;
  ProgramWindow* program_ = nullptr;
  std::function<MainWindow*()> load_;
  bool showWhenAttached_ = false;
};

}  // namespace qv
