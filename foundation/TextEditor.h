#pragma once
// The outside text editor the program hands texts to: it has no text viewer of its own. Nothing
// comes back; a failure to start the editor leaves the program as it was.
#include <string>

namespace qv {

class TextEditor {
 public:
  virtual ~TextEditor() = default;
  // Opens the file at `path` in the editor, or a new, empty text when `path` is empty.
  virtual void OpenInTextEditor(const std::string& path) = 0;
  // Opens `text` (CR LF line ends) in the editor as a new, unsaved document.
  virtual void PasteToTextEditor(const std::string& text) = 0;
};

}  // namespace qv
