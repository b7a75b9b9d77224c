#pragma once
// The outside text editor the program hands texts to. Nothing comes back to the caller; a
// failure to start the editor leaves the program as it was.
#include <functional>
#include <string>

namespace qv {

class TextEditor {
 public:
  virtual ~TextEditor() = default;
  // Opens the file at `path` in the editor, or a new, empty text when `path` is empty.
  virtual void OpenInTextEditor(const std::string& path) = 0;
  // Opens `text` (CR LF line ends) in the editor as a new, unsaved document.
  virtual void PasteToTextEditor(const std::string& text) = 0;
  // Where a hand-off says how the text reached the operator (which editor or viewer took it);
  // an editor that cannot tell keeps quiet. An empty function stops the reports.
  virtual void SetReport(const std::function<void(const std::string&)>& /*report*/) {}
};

}  // namespace qv
