#pragma once
// Doubles and helpers of the window tests: a text editor and window services that remember what
// they were given, and menu entries found by the captions on their way.
#include <QAction>
#include <QMenu>
#include <functional>
#include <string>
#include <vector>

#include "foundation/TextEditor.h"
#include "ui/WindowServices.h"

namespace qv::test {

struct RecordingEditor final : TextEditor {
  void OpenInTextEditor(const std::string& path) override { opened.push_back(path); }
  void PasteToTextEditor(const std::string& text) override { pasted.push_back(text); }
  std::vector<std::string> opened;
  std::vector<std::string> pasted;
};

// Window services whose dialogs the test answers: messages, edited files and file
// choices are recorded; a file choice gives `chosen`, an edit runs `onEdit` on the file.
struct RecordingServices {
  WindowServices Services() {
    WindowServices services;
    services.message = [this](const std::string& text) { messages.push_back(text); };
    services.editParameters = [this](const std::string& path) {
      edited.push_back(path);
      if (onEdit) onEdit(path);
      return int16_t{1};
    };
    services.chooseFile = [this](const FileChoice& choice) {
      choices.push_back(choice);
      return chosen;
    };
    services.textEditor = &editor;
    return services;
  }

  std::vector<std::string> messages;
  std::vector<std::string> edited;
  std::function<void(const std::string&)> onEdit;
  std::vector<FileChoice> choices;
  std::string chosen;
  RecordingEditor editor;
};

// A caption as shown, without its mnemonic marks ("&X-Y" is "X-Y").
inline QString Shown(QString caption) {
  return caption.replace("&&", QString(QChar(1))).remove('&').replace(QChar(1), '&');
}

// An entry by its captions as shown joined by '>', from the entries `actions` on: an entry of
// the same caption, else the last one whose caption starts with it ("F-" finds "F-3").
inline QAction* FindEntry(QList<QAction*> actions, const std::string& path) {
  QAction* found = nullptr;
  for (const QString& caption : QString::fromStdString(path).split('>')) {
    found = nullptr;
    for (QAction* action : actions) {
      const QString shown = Shown(action->text());
      if (shown == caption) {
        found = action;
        break;
      }
      if (shown.startsWith(caption)) found = action;
    }
    if (found == nullptr) return nullptr;
    if (found->menu() != nullptr) actions = found->menu()->actions();
  }
  return found;
}

inline QAction* FindEntry(QMenu* menu, const std::string& path) {
  return FindEntry(menu->actions(), path);
}

// The entries of `menu` whose captions start with `prefix`.
inline std::vector<QAction*> EntriesStartingWith(QMenu* menu, const QString& prefix) {
  std::vector<QAction*> entries;
  for (QAction* action : menu->actions()) {
    if (action->text().startsWith(prefix)) entries.push_back(action);
  }
  return entries;
}

}  // namespace qv::test
