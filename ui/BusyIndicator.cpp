#include "ui/BusyIndicator.h"

#include <QApplication>
#include <QCursor>

namespace qv {

BusyIndicator::BusyIndicator(std::function<void(const QString&)> show) : show_(std::move(show)) {}

BusyIndicator::~BusyIndicator() {
  if (pointer_) QApplication::restoreOverrideCursor();
}

void BusyIndicator::Begin(const std::string& what) {
  operations_.push_back(what);
  Update();
}

void BusyIndicator::End() {
  if (!operations_.empty()) operations_.pop_back();
  Update();
}

void BusyIndicator::SetBackground(bool programRunning, bool commandRunning) {
  if (programRunning == program_ && commandRunning == command_) return;
  program_ = programRunning;
  command_ = commandRunning;
  Update();
}

QString BusyIndicator::Text() const {
  if (!operations_.empty()) return "Busy: " + QString::fromStdString(operations_.back());
  if (program_) return "Busy: program running";
  if (command_) return "Busy: command running";
  return {};
}

void BusyIndicator::Update() {
  const bool wanted = Active();
  if (wanted && !pointer_) QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
  if (!wanted && pointer_) QApplication::restoreOverrideCursor();
  pointer_ = wanted;
  const QString text = Text();
  if (text == shown_) return;
  shown_ = text;
  if (show_) show_(text);
}

}  // namespace qv
