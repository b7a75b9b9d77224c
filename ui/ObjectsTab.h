#pragma once
// The Objects tab of the main window: the object grid, one row per object under a fixed header,
// edited one cell at a time through a floating edit box, and the buttons that add objects and
// move the stage to one.
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>
#include <cstdint>

#include "ui/ObjectActions.h"
#include "ui/ObjectListModel.h"
#include "ui/WindowServices.h"

namespace qv {

class ObjectsTab : public QWidget {
  Q_OBJECT

 public:
  using Column = ObjectListModel::Column;

  // The actions get `core`; the grid uses its object list, map and messages.
  ObjectsTab(const ObjectActionsCore& core, const WindowServices& services, QWidget* parent);

  // Brings the grid up to the object list. The grid follows every change of the list by
  // itself; this is the refresh the commands ask for after theirs.
  void DisplayObjList() { model_.Refresh(); }
  // Selects the whole row of object n (from 1); other numbers leave the grid as it is.
  void HighlightObjInGrid(int32_t n);

  // The operations behind the buttons, shared with the "Obj." menu.
  ObjectActions& Actions() { return actions_; }
  QTableView& Grid() { return *objectTable_; }
  QLineEdit& Field() { return *fieldEdit_; }

 private:
  void CellClicked(const QModelIndex& cell);
  void SelectRow(int row);
  void OpenField(const QModelIndex& cell);
  void CloseField();
  void CommitField();
  void MoveToSelected();
  // The object number of the selected row when exactly one whole row is selected, else 0.
  int32_t SelectedObject() const;

  struct GridCore {
    Notifier& notifier;
    ObjectList& objects;
    MapView& map;
  };
  GridCore core_;
  ObjectActions actions_;
  ObjectListModel model_;
  QTableView* objectTable_;
  QLineEdit* fieldEdit_;
  int fieldRow_ = -1;  // the cell the edit box stands over
  int fieldColumn_ = -1;
};

}  // namespace qv
