#include "ui/ObjectListModel.h"

#include "foundation/NumberText.h"
#include "platform/QtText.h"

namespace qv {

std::string ObjectCellText(int32_t n, const ObjRecord& object, int column) {
  switch (column) {
    case ObjectListModel::kNumber:
      return GeneralText(n);
    case ObjectListModel::kX:
      return FormatFixed(object.X, 1);
    case ObjectListModel::kY:
      return FormatFixed(object.Y, 1);
    case ObjectListModel::kZ:
      return FormatFixed(object.Z, 2);
    default:
      return object.Comment;
  }
}

ObjectListModel::ObjectListModel(ObjectList& objects, QObject* parent)
    : QAbstractTableModel(parent), objects_(objects), watch_(objects.Watch([this] { Refresh(); })) {
  Refresh();
}

ObjectListModel::~ObjectListModel() {
  objects_.Unwatch(watch_);
}

int ObjectListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ObjectListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant ObjectListModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::TextAlignmentRole) {
    const Qt::Alignment side = index.column() == kComment ? Qt::AlignLeft : Qt::AlignRight;
    return QVariant::fromValue(side | Qt::AlignVCenter);
  }
  ObjRecord object;
  if (role != Qt::DisplayRole || objects_.ObjGet(index.row() + 1, object) != 1) return {};
  return QtText(ObjectCellText(index.row() + 1, object, index.column()));
}

QVariant ObjectListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kHeads[kColumns] = {"#", "X", "Y", "Z", "Comment"};
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  if (section < 0 || section >= kColumns) return {};
  return QString(kHeads[section]);
}

void ObjectListModel::Refresh() {
  const int count = objects_.ObjListCount();
  const bool replaced = objects_.ObjGetChanged() == 1 || count < rows_;
  objects_.ObjSetChanged(0);
  if (count < rows_) {
    beginRemoveRows({}, count, rows_ - 1);
    rows_ = count;
    endRemoveRows();
  } else if (count > rows_) {
    beginInsertRows({}, rows_, count - 1);
    rows_ = count;
    endInsertRows();
  }
  if (!replaced) return;
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, kColumns - 1));
  emit RowsReplaced();
}

}  // namespace qv
