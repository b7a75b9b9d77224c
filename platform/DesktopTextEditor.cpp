#include "platform/DesktopTextEditor.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QUrl>

#include "foundation/CommandLine.h"
#include "foundation/TextEncoding.h"

namespace qv {

namespace {

// As every text of the program: UTF-8, or Windows-1252 when the bytes are not UTF-8.
QString Decoded(const QByteArray& bytes) {
  const std::string text = DecodeText(bytes.toStdString());
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).replace("\r\n", "\n");
}

}  // namespace

DesktopTextEditor::DesktopTextEditor(const std::string& editorCommandLine, QString textFolder,
                                     DesktopOpener desktop)
    : editorCommandLine_(editorCommandLine),
      textFolder_(std::move(textFolder)),
      desktop_(std::move(desktop)) {}

DesktopTextEditor::~DesktopTextEditor() {
  for (const QPointer<QWidget>& viewer : viewers_)
    delete viewer.data();
  for (const QString& file : written_)
    QFile::remove(file);
}

QString DesktopTextEditor::DefaultTextFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/quorvalin-texts";
}

bool DesktopTextEditor::OpenWithDesktop(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopTextEditor::OpenInTextEditor(const std::string& path) {
  if (!path.empty()) {
    Open(QString::fromStdString(path));
    return;
  }
  if (StartEditor(QString())) {  // the editor starts with a new text of its own
    Report("A new text opened in " + SplitCommandLine(editorCommandLine_).front());
    return;
  }
  // The desktop opens files, not editors: a new text is a new empty file.
  const QString file = WriteTextFile({});
  if (!file.isEmpty() && desktop_ && desktop_(file)) {
    Report("A new text opened with the desktop's application for text files: " +
           file.toStdString());
    return;
  }
  Report("No text editor could be started (TEXTEDITOR in QV_CONFIG.TXT)");
}

void DesktopTextEditor::PasteToTextEditor(const std::string& text) {
  const QString file = WriteTextFile(text);
  if (file.isEmpty()) {
    Report("The text could not be written to " + textFolder_.toStdString());
    return;
  }
  Open(file);
}

QString DesktopTextEditor::WriteTextFile(const std::string& text) {
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
  written_.push_back(file.fileName());
  return file.fileName();
}

std::vector<QWidget*> DesktopTextEditor::Viewers() const {
  std::vector<QWidget*> open;
  for (const QPointer<QWidget>& viewer : viewers_) {
    if (viewer) open.push_back(viewer.data());
  }
  return open;
}

// The editor first, then the desktop's choice, then the program's own window: the operator
// always gets to see the text.
void DesktopTextEditor::Open(const QString& path) {
  const std::string where = path.toStdString();
  if (StartEditor(path)) {
    Report("Opened in " + SplitCommandLine(editorCommandLine_).front() + ": " + where);
    return;
  }
  if (desktop_ && desktop_(path)) {
    Report("Opened with the desktop's application for text files: " + where);
    return;
  }
  ShowReadOnly(path);
  Report("No text editor could be started; shown read-only: " + where);
}

bool DesktopTextEditor::StartEditor(const QString& path) const {
  const std::vector<std::string> words = SplitCommandLine(editorCommandLine_);
  if (words.empty()) return false;
  QStringList arguments;
  for (auto word = words.begin() + 1; word != words.end(); ++word)
    arguments << QString::fromStdString(*word);
  if (!path.isEmpty()) arguments << path;
  return QProcess::startDetached(QString::fromStdString(words.front()), arguments);
}

void DesktopTextEditor::ShowReadOnly(const QString& path) {
  QFile file(path);
  const QString text = file.open(QIODevice::ReadOnly) ? Decoded(file.readAll())
                                                      : "The file " + path + " could not be read.";
  auto* viewer = new QPlainTextEdit;
  viewer->setObjectName("frmTextView");
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  viewer->setWindowTitle(QFileInfo(path).fileName() + " (read-only) - Quorvalin");
  viewer->setReadOnly(true);
  viewer->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  viewer->setPlainText(text);
  viewer->resize(760, 560);
  viewer->show();
  viewers_.emplace_back(viewer);
}

void DesktopTextEditor::Report(const std::string& text) const {
  if (report_) report_(text);
}

}  // namespace qv
