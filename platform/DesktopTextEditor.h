#pragma once
// The outside text editor: the configured command, or else the desktop's application for text
// files. Texts are handed over as files of their own, so the operator's clipboard is left alone
// and a text survives the program that wrote it. Nothing here waits for the editor.
#include <QString>
#include <string>

#include "foundation/TextEditor.h"

namespace qv {

class DesktopTextEditor final : public TextEditor {
 public:
  // `editorCommandLine` is read at each hand-off, so a re-read configuration takes effect;
  // the path is added to it as its last word. Handed-over texts are kept in `textFolder`.
  explicit DesktopTextEditor(const std::string& editorCommandLine,
                             QString textFolder = DefaultTextFolder());

  void OpenInTextEditor(const std::string& path) override;
  void PasteToTextEditor(const std::string& text) override;

  // A folder of the user's temporary files that only this program writes to.
  static QString DefaultTextFolder();
  // Writes `text` exactly as given into a new file of its own; its path, empty on failure.
  QString WriteTextFile(const std::string& text) const;

 private:
  void Open(const QString& path) const;

  const std::string& editorCommandLine_;
  QString textFolder_;
};

}  // namespace qv
