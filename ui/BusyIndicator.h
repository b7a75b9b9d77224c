#pragma once
// What the main window shows while something runs: the innermost operation the window started
// (a typed command, a homing run, a speed test, a jog), else a running program, else a command
// that came from elsewhere (a client, a joystick button). The busy pointer is up meanwhile; it
// is the arrow with the hourglass, as Stop and the other controls still answer.
#include <QApplication>
#include <QCursor>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace qv {

class BusyIndicator {
 public:
  // `show` gets the busy text, empty when nothing runs.
  explicit BusyIndicator(std::function<void(const QString&)> show);
  ~BusyIndicator();
  BusyIndicator(const BusyIndicator&) = delete;
  BusyIndicator& operator=(const BusyIndicator&) = delete;

  void Begin(const std::string& what);
  void End();
  // What the window's timer sees of work it did not start.
  void SetBackground(bool programRunning, bool commandRunning);

  int Depth() const { return static_cast<int>(operations_.size()); }  // the window's own
  bool Active() const { return Depth() > 0 || program_ || command_; }
  QString Text() const;

 private:
  void Update();

  std::function<void(const QString&)> show_;
  std::vector<std::string> operations_;  // outermost first
  bool program_ = false;
  bool command_ = false;
  bool pointer_ = false;  // the busy pointer is up
  QString shown_;
};

// The plain hourglass for as long as one operation holds the line and nothing else may be done
// meanwhile (a move to an object, a homing run of the axes panel).
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace qv
