#pragma once
// The "Obj." menu of the main window: the object list's entries, working through the Objects
// tab's operations, and the attraction-distance entry whose caption shows the current value
// each time the menu opens.
#include <QMenu>
#include <QMenuBar>
#include <functional>
#include <optional>
#include <string>

#include "ui/ObjectsTab.h"

namespace qv {

// A modal input box: the typed text, or nothing when cancelled. Tests answer it themselves.
using InputBox =
    std::function<std::optional<std::string>(const std::string& title, const std::string& prompt)>;

// The input box of the platform, over `parent`.
InputBox QtInputBox(QWidget* parent);

// Adds the menu to `menuBar` and returns it. The entries act through `tab` and stop with it;
// an empty `inputBox` asks with the platform's.
QMenu* AddObjectMenu(QMenuBar& menuBar, ObjectsTab& tab, InputBox inputBox);

}  // namespace qv
