#pragma once
// The front end that the core is built with when the program has a main window: it forwards to
// the window while one is loaded and does nothing otherwise, as the core expects of an unloaded
// window. The window is made after the core, so it is attached later.
#include <QApplication>
#include <functional>

#include "commands/FrontEnd.h"
#include "ui/MainWindow.h"

namespace qv {

class WindowFrontEnd final : public FrontEnd {
 public:
  void Attach(MainWindow* window) { window_ = window; }
  // Makes the window again after it was unloaded ("Show" loads it if needed).
  void SetLoader(std::function<MainWindow*()> load) { load_ = std::move(load); }
  MainWindow* Window() const { return window_; }

  bool IsFormLoaded(std::string_view formName) const override {
    return window_ != nullptr && formName == kMainForm;
  }
  std::vector<std::pair<std::string, std::string>> LoadedForms() const override {
    if (window_ == nullptr) return {};
    return {{std::string(kMainForm), window_->windowTitle().toStdString()}};
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
  }
  void HideMainWindow() override {
    if (window_) window_->hide();
  }
  void UnloadMainWindow() override {
    if (window_) window_->Unload();
  }

 private:
  MainWindow* window_ = nullptr;
  std::function<MainWindow*()> load_;
};

}  // namespace qv
