#pragma once
// A front end for tests that remembers what the program showed. Windows count as loaded only
// when a test says so.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "commands/FrontEnd.h"

namespace qv::test {

class RecordingFrontEnd final : public FrontEnd {
 public:
  bool IsFormLoaded(std::string_view formName) const override {
    return loaded.count(std::string(formName)) > 0;
  }
  std::vector<std::pair<std::string, std::string>> LoadedForms() const override {
    std::vector<std::pair<std::string, std::string>> forms;
    for (const std::string& name : loaded)
      forms.emplace_back(name, name + " caption");
    return forms;
  }
  void DoEvents() override {
    if (onDoEvents) onDoEvents();
  }
  std::string CommandText() const override { return commandText; }
  void SetCommandText(const std::string& text) override { commandText = text; }
  void SetMessage(const std::string& text) override { messages.push_back(text); }
  std::string MessageText() const override { return LastMessage(); }
  void ShowMainWindow() override { calls.push_back("Show"); }
  void HideMainWindow() override { calls.push_back("Hide"); }
  void UnloadMainWindow() override { calls.push_back("Unload"); }
  void DisplayObjList() override { calls.push_back("ObjList"); }
  void JoyVisibility() override { calls.push_back("Joy"); }
  void SetInterpMessage(const std::string& text) override { interpMessages.push_back(text); }
  void SetProgTime(const std::string& text) override { progTimes.push_back(text); }
  void SetRunIndicator(bool on) override { runIndicator = on; }
  void EnableProgEditing(bool enabled) override { editingEnabled = enabled; }

  void LoadWindows() { loaded = {"frmQuorvalin", "frmInterp"}; }
  std::string LastMessage() const { return messages.empty() ? "" : messages.back(); }
  std::string LastInterpMessage() const {
    return interpMessages.empty() ? "" : interpMessages.back();
  }

  std::set<std::string> loaded;
  std::function<void()> onDoEvents;  // what a window event does while the program waits
  std::string commandText;
  std::vector<std::string> messages;
  std::vector<std::string> calls;
  std::vector<std::string> interpMessages;
  std::vector<std::string> progTimes;
  bool runIndicator = false;
  bool editingEnabled = true;
};

}  // namespace qv::test
