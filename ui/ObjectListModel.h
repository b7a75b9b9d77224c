#pragma once
// The object grid's rows: one per object of the list, read from the list whenever a row is
// drawn. The list tells the model of every change, whoever made it, so the grid shows the list
// as it is: new objects become new rows, and an edited or replaced list redraws every row.
#include <QAbstractTableModel>
#include <cstdint>
#include <string>

#include "specimen/ObjectList.h"

namespace qv {

class ObjectListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kNumber = 0, kX, kY, kZ, kComment, kColumns };

  explicit ObjectListModel(ObjectList& objects, QObject* parent = nullptr);
  ~ObjectListModel() override;
  ObjectListModel(const ObjectListModel&) = delete;
  ObjectListModel& operator=(const ObjectListModel&) = delete;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // Brings the rows up to the list (the grid refresh, `DisplayObjList`): rows added or removed
  // to match its count, and every row redrawn once the list was edited or replaced.
  void Refresh();

 signals:
  // Rows shown before may hold other objects now.
  void RowsReplaced();

 private:
  ObjectList& objects_;
  int rows_ = 0;  // the rows the views know of
  int watch_;
};

// The text of the grid cell of object n: the number, X and Y "0.0", Z "0.00", the comment.
std::string ObjectCellText(int32_t n, const ObjRecord& object, int column);

}  // namespace qv
