#pragma once
// A pick list of command texts: choosing one drops it into the main window's command box,
// replacing what is there, or in front of it when Shift is held (a command word before its
// arguments). The list stays open for further choices until Esc.
#include <QDialog>
#include <string>
#include <vector>

#include "commands/Display.h"

class QListWidget;

namespace qv {

class StringSelWindow : public QDialog {
  Q_OBJECT

 public:
  explicit StringSelWindow(Display& display, QWidget* parent = nullptr);

  // Fills the list in order and sizes the window to the texts, within the screen.
  void StringLoad(const std::vector<std::string>& texts);
  // The text last chosen; empty while nothing has been chosen.
  std::string GiveSelected() const { return selected_; }

  // Takes the item at `row` as the choice; `prefix` is what Shift held means.
  void Choose(int row, bool prefix);

  QListWidget& List() { return *stringsList_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FitToTexts();

  Display& display_;
  QListWidget* stringsList_;
  std::string selected_;
};

}  // namespace qv
