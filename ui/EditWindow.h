#pragma once
// A one-field text editor with Done and Cancel. The caller preloads a text, shows the window
// modal and reads back whether it was accepted and the text.
#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace qv {

class EditWindow : public QDialog {
  Q_OBJECT

 public:
  explicit EditWindow(QWidget* parent = nullptr);

  // Lines of `text` end with CR LF, as do those of the result.
  void SetText(const std::string& text);
  // 1 after Done; 0 before, after Cancel and after closing the window.
  int GetAccept() const { return accept_; }
  // The edited text after Done; empty otherwise.
  std::string GetTextRes() const { return textRes_; }

  void Done();
  void reject() override;

  QPlainTextEdit& Field() { return *editEdit_; }

 private:
  QPlainTextEdit* editEdit_;
  int accept_ = 0;
  std::string textRes_;
};

}  // namespace qv
