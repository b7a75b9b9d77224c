#include "platform/DesktopTextEditor.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>
#include <vector>

#include "foundation/CommandLine.h"

namespace qv {

DesktopTextEditor::DesktopTextEditor(const std::string& editorCommandLine, QString textFolder)
    : editorCommandLine_(editorCommandLine), textFolder_(std::move(textFolder)) {}

QString DesktopTextEditor::DefaultTextFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/quorvalin-texts";
}

void DesktopTextEditor::OpenInTextEditor(const std::string& path) {
  if (!path.empty()) {
    Open(QString::fromStdString(path));
  } else if (!SplitCommandLine(editorCommandLine_).empty()) {
    Open(QString());  // the editor starts with a new text of its own
  } else {
    // The desktop opens files, not editors: a new text is a new empty file.
    const QString file = WriteTextFile({});
    if (!file.isEmpty()) Open(file);
  }
}

void DesktopTextEditor::PasteToTextEditor(const std::string& text) {
  const QString file = WriteTextFile(text);
  if (!file.isEmpty()) Open(file);
}

QString DesktopTextEditor::WriteTextFile(const std::string& text) const {
  if (!QDir().mkpath(textFolder_)) return {};
  QTemporaryFile file(textFolder_ + "/text-XXXXXX.txt");
  file.setAutoRemove(false);
  if (!file.open()) return {};
  const bool written = file.write(text.data(), static_cast<qint64>(text.size())) ==
                           static_cast<qint64>(text.size()) &&
                       file.flush();
  file.close();
  if (!written) {
    file.remove();
    return {};
  }
  return file.fileName();
}

// Failures are not reported: the caller hands the text over and forgets it.
void DesktopTextEditor::Open(const QString& path) const {
  const std::vector<std::string> words = SplitCommandLine(editorCommandLine_);
  if (words.empty()) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    return;
  }
  QStringList arguments;
  for (auto word = words.begin() + 1; word != words.end(); ++word)
    arguments << QString::fromStdString(*word);
  if (!path.isEmpty()) arguments << path;
  QProcess::startDetached(QString::fromStdString(words.front()), arguments);
}

}  // namespace qv
