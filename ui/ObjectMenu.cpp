#include "ui/ObjectMenu.h"

#include <QInputDialog>
#include <QPointer>

#include "platform/QtText.h"

namespace qv {
namespace {

void AddEntry(QMenu& menu, ObjectsTab& tab, const char* caption, std::function<void()> act) {
  QAction* entry = menu.addAction(caption);
  QObject::connect(entry, &QAction::triggered, &tab, std::move(act));
}

}  // namespace

InputBox QtInputBox(QWidget* parent) {
  return [guarded = QPointer<QWidget>(parent)](
             const std::string& title, const std::string& prompt) -> std::optional<std::string> {
    bool ok = false;
    const QString text = QInputDialog::getText(guarded.data(), QtText(title), QtText(prompt),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok) return std::nullopt;
    return CoreText(text);
  };
}

QMenu* AddObjectMenu(QMenuBar& menuBar, ObjectsTab& tab, InputBox inputBox) {
  if (!inputBox) inputBox = QtInputBox(&tab);
  ObjectActions& actions = tab.Actions();
  QMenu* menu = menuBar.addMenu("Ob&j.");
  menu->setObjectName("mnuObj");
  AddEntry(*menu, tab, "Add Current Stage Position", [&actions] { actions.AddCurrentPosition(); });
  AddEntry(*menu, tab, "Add New Object", [&actions] { actions.AddNewObject(); });
  AddEntry(*menu, tab, "Move to Object in the List", [&actions, inputBox] {
    if (!inputBox) return;
    if (const auto answer = inputBox("Move to Object", actions.MoveToPrompt())) {
      actions.MoveToAnswer(*answer);
    }
  });
  menu->addSeparator();
  AddEntry(*menu, tab, "Write Object List", [&actions] { actions.WriteObjectList(); });
  AddEntry(*menu, tab, "Read Object List", [&actions] { actions.ReadObjectList(); });
  AddEntry(*menu, tab, "Clear Object List", [&actions] { actions.ClearObjectList(); });
  menu->addSeparator();
  AddEntry(*menu, tab, "Draw Object Map", [&actions] { actions.DrawObjectMap(); });
  AddEntry(*menu, tab, "Erase Object Map", [&actions] { actions.EraseObjectMap(); });
  menu->addSeparator();
  QAction* attraction = menu->addAction("Attraction Distance");
  attraction->setObjectName("mnuAttrDist");
  QObject::connect(attraction, &QAction::triggered, &tab, [&actions, inputBox] {
    if (!inputBox) return;
    if (const auto answer = inputBox("Attraction Distance", actions.AttractionPrompt())) {
      actions.AttractionAnswer(*answer);
    }
  });
  QObject::connect(menu, &QMenu::aboutToShow, &tab, [&actions, attraction] {
    attraction->setText(QtText(actions.AttractionCaption()));
  });
  return menu;
}

}  // namespace qv
