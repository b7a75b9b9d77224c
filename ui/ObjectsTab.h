#pragma once
// The Objects tab of the main window: the object grid, one row per object under a fixed header,
// edited one cell at a time through a floating edit box, and the buttons that add objects and
// move the stage to one.
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <cstdint>

#include "ui/ObjectActions.h"
#include "ui/WindowServices.h"

namespace qv {

class ObjectsTab : public QWidget {
  Q_OBJECT

 public:
  enum Column { kNumber = 0, kX, kY, kZ, kComment, kColumns };

  // The actions get `core`; the grid uses its object list, map and messages.
  ObjectsTab(const ObjectActionsCore& core, const WindowServices& services, QWidget* parent);

  // Brings the grid up to the object list: new rows only, unless the list was edited or
  // replaced, which redraws every row.
  void DisplayObjList();
  // Selects the whole row of object n (from 1); other numbers leave the grid as it is.
  void HighlightObjInGrid(int32_t n);

  // The operations behind the buttons, shared with the "Obj." menu.
  ObjectActions& Actions() { return actions_; }
  QTableWidget& Grid() { return *objectTable_; }
  QLineEdit& Field() { return *fieldEdit_; }

 private:
  void FillRow(int32_t n);
  void CellClicked(int row, int column);
  void SelectRow(int row);
  void OpenField(int row, int column);
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
  QTableWidget* objectTable_;
  QLineEdit* fieldEdit_;
  int fieldRow_ = -1;  // the cell the edit box stands over
  int fieldColumn_ = -1;
};

}  // namespace qv
