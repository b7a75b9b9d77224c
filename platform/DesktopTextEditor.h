#pragma once
// The outside text editor: the configured command; when that cannot be started (or none is
// configured), the desktop's application for text files; when that fails too, a read-only text
// window of the program itself. Each hand-off reports which of them took the text. Texts are
// handed over as files of their own, so the operator's clipboard is left alone; those files are
// removed when the program ends. Nothing here waits for the editor.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "foundation/TextEditor.h"

namespace qv {

class DesktopTextEditor final : public TextEditor {
 public:
  // Opens a file with the desktop's application for its type; false when nothing could.
  using DesktopOpener = std::function<bool(const QString& path)>;

  // `editorCommandLine` is read at each hand-off, so a re-read configuration takes effect;
  // the path is added to it as its last word. Handed-over texts are kept in `textFolder`.
  explicit DesktopTextEditor(const std::string& editorCommandLine,
                             QString textFolder = DefaultTextFolder(),
                             DesktopOpener desktop = OpenWithDesktop);
  // Removes the texts it handed over and closes its read-only windows.
  ~DesktopTextEditor() override;
  DesktopTextEditor(const DesktopTextEditor&) = delete;
  DesktopTextEditor& operator=(const DesktopTextEditor&) = delete;

  void OpenInTextEditor(const std::string& path) override;
  void PasteToTextEditor(const std::string& text) override;
  void SetReport(const std::function<void(const std::string&)>& report) override {
    report_ = report;
  }

  // A folder of the user's temporary files that only this program writes to.
  static QString DefaultTextFolder();
  static bool OpenWithDesktop(const QString& path);
  // Writes `text` exactly as given into a new file of its own; its path, empty on failure.
  QString WriteTextFile(const std::string& text);
  // The read-only windows still open.
  std::vector<QWidget*> Viewers() const;

 private:
  void Open(const QString& path);
  bool StartEditor(const QString& path) const;
  void ShowReadOnly(const QString& path);
  void Report(const std::string& text) const;

  const std::string& editorCommandLine_;
  QString textFolder_;
  DesktopOpener desktop_;
  std::function<void(const std::string&)> report_;
  std::vector<QString> written_;            // the texts handed over so far
  std::vector<QPointer<QWidget>> viewers_;  // the read-only windows opened so far
};

}  // namespace qv
