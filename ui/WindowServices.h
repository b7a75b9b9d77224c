#pragma once
// What the parts of the main window (tabs, menus) ask of the window around them and of the
// modal dialogs. The window fills it in; a part's tests fill in what they watch. An entry left
// empty does nothing, as an unloaded window would.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "foundation/TextEditor.h"

namespace qv {

// What the file dialog is opened with.
struct FileChoice {
  std::string title;     // the dialog's caption
  std::string patterns;  // the filter list, blank-separated: "*.TXT *.*"
  std::string startDir;  // the folder shown first; empty: the program folder
};

struct WindowServices {
  std::function<void(const std::string&)> message;  // the main window's message line
  std::function<void(int)> showTab;                 // 0 device control, 1 map, 2 objects, 3 axes
  // The modal parameter editor on a keyword file; returns when the file has been written back
  // with the result of writing it (1, or -1 when it could not be written).
  std::function<int16_t(const std::string& path)> editParameters;
  // The modal file dialog; the chosen file's full path, or empty when cancelled.
  std::function<std::string(const FileChoice&)> chooseFile;
  // The modal one-field text editor preloaded with a text; the edited text after "Done", or
  // nothing after "Cancel".
  std::function<std::optional<std::string>(const std::string&)> editText;
  // A modal input box with a title and a prompt: the typed text, or nothing after "Cancel".
  std::function<std::optional<std::string>(const std::string&, const std::string&)> inputBox;
  TextEditor* textEditor = nullptr;
  // An operation of the window starts or ends: in between the window shows it as running
  // (busy text and pointer). Operations may nest.
  std::function<void(const std::string&)> operationBegins;
  std::function<void()> operationEnds;

  void Message(const std::string& text) const {
    if (message) message(text);
  }
  void ShowTab(int tab) const {
    if (showTab) showTab(tab);
  }
  int16_t EditParameters(const std::string& path) const {
    return editParameters ? editParameters(path) : int16_t{-1};
  }
  std::string ChooseFile(const FileChoice& choice) const {
    return chooseFile ? chooseFile(choice) : std::string{};
  }
  std::optional<std::string> EditText(const std::string& text) const {
    return editText ? editText(text) : std::nullopt;
  }
  std::optional<std::string> InputBox(const std::string& title, const std::string& prompt) const {
    return inputBox ? inputBox(title, prompt) : std::nullopt;
  }
  void OperationBegins(const std::string& what) const {
    if (operationBegins) operationBegins(what);
  }
  void OperationEnds() const {
    if (operationEnds) operationEnds();
  }
  void OpenInTextEditor(const std::string& path) const {
    if (textEditor) textEditor->OpenInTextEditor(path);
  }
  void PasteToTextEditor(const std::string& text) const {
    if (textEditor) textEditor->PasteToTextEditor(text);
  }
};

}  // namespace qv
