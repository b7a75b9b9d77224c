#pragma once
// The windows as the core sees them: the main window's command box, message line and time
// field, the program window's rows and labels, and showing, hiding and unloading. The Qt
// windows implement it; the console stands in for the main window; tests record. Every call
// has a do-nothing default so that a front end only implements what it has.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controllers/Clock.h"

namespace qv {

inline constexpr std::string_view kMainForm = "frmQuorvalin";
inline constexpr std::string_view kProgramForm = "frmInterp";

class FrontEnd : public EventPump {
 public:
  virtual bool IsFormLoaded(std::string_view /*formName*/) const { return false; }
  // Name and caption of every loaded window.
  virtual std::vector<std::pair<std::string, std::string>> LoadedForms() const { return {}; }

  // Main window.
  virtual std::string CommandText() const { return {}; }
  virtual void SetCommandText(const std::string& /*text*/) {}
  virtual void SetMessage(const std::string& /*text*/) {}
  virtual std::string MessageText() const { return {}; }
  virtual void SetTimeText(const std::string& /*text*/) {}
  virtual void ShowMainWindow() {}
  virtual void HideMainWindow() {}
  virtual void UnloadMainWindow() {}
  // The object grid shows the object list again; the joystick frame shows JoyOn and the axes.
  virtual void DisplayObjList() {}
  virtual void JoyVisibility() {}
  // The magnification button's caption and the objective menu's check mark follow the objective.
  virtual void MagCaption() {}
  virtual void ObjectivePosCheck() {}

  // Program window.
  virtual void SetInterpMessage(const std::string& /*text*/) {}
  // The runner's last word on a run ("PROGRAM FINISHED", "PROGRAM STOPPED").
  virtual void ProgramEnded(const std::string& finalMessage) { SetInterpMessage(finalMessage); }
  virtual void SetProgTime(const std::string& /*text*/) {}
  virtual void SetRunIndicator(bool /*on*/) {}
  virtual void EnableProgEditing(bool /*enabled*/) {}
  // The rows model of the program (which line each row shows) or a line's text changed.
  virtual void ProgRowsChanged() {}
  virtual void ProgRowMarked(int /*previousRow*/, int /*row*/) {}
};

}  // namespace qv
