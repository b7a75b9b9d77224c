#include "ui/ObjectsTab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QVBoxLayout>

#include "platform/QtText.h"

namespace qv {
namespace {

QPushButton* AddButton(QHBoxLayout& row, const char* caption, const char* name) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  row.addWidget(button);
  return button;
}

}  // namespace

ObjectsTab::ObjectsTab(const ObjectActionsCore& core, const WindowServices& services,
                       QWidget* parent)
    : QWidget(parent),
      core_{core.notifier, core.objects, core.map},
      actions_(core, services),
      model_(core.objects) {
  setObjectName("tabObjects");
  objectTable_ = new QTableView(this);
  objectTable_->setObjectName("objectTable");
  objectTable_->setModel(&model_);
  objectTable_->verticalHeader()->hide();
  objectTable_->horizontalHeader()->setStretchLastSection(true);
  objectTable_->setEditTriggers(
      QAbstractItemView::NoEditTriggers);  // cells change through txtField
  objectTable_->setSelectionMode(QAbstractItemView::SingleSelection);
  objectTable_->setColumnWidth(Column::kNumber, 50);
  for (int column : {Column::kX, Column::kY, Column::kZ})
    objectTable_->setColumnWidth(column, 110);
  fieldEdit_ = new QLineEdit(objectTable_->viewport());
  fieldEdit_->setObjectName("txtField");
  fieldEdit_->hide();

  auto* buttons = new QHBoxLayout;
  QPushButton* addPos = AddButton(*buttons, "Add Pos.", "cmdAddPos");
  QPushButton* addNew = AddButton(*buttons, "Add New", "cmdAddNew");
  QPushButton* moveTo = AddButton(*buttons, "Move To", "cmdMoveTo");
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(objectTable_, 1);
  layout->addLayout(buttons);

  connect(objectTable_, &QTableView::clicked, this, &ObjectsTab::CellClicked);
  connect(fieldEdit_, &QLineEdit::returnPressed, this, &ObjectsTab::CommitField);
  // The row under the edit box may hold another object now; an edit must not land on it.
  connect(&model_, &ObjectListModel::RowsReplaced, this, &ObjectsTab::CloseField);
  // The box stands over its cell only while the grid keeps still; once the cell scrolls away,
  // an edit typed into it would look like one of the row now beneath it.
  for (QScrollBar* bar : {objectTable_->verticalScrollBar(), objectTable_->horizontalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, this, &ObjectsTab::CloseField);
  connect(addPos, &QPushButton::clicked, this, [this] { actions_.AddCurrentPosition(); });
  connect(addNew, &QPushButton::clicked, this, [this] { actions_.AddNewObject(); });
  connect(moveTo, &QPushButton::clicked, this, &ObjectsTab::MoveToSelected);
}

void ObjectsTab::HighlightObjInGrid(int32_t n) {
  if (n < 1 || n > model_.rowCount()) return;
  SelectRow(n - 1);
}

void ObjectsTab::SelectRow(int row) {
  const QModelIndex first = model_.index(row, Column::kNumber);
  objectTable_->selectionModel()->select(
      QItemSelection(first, model_.index(row, Column::kColumns - 1)),
      QItemSelectionModel::ClearAndSelect);
  objectTable_->scrollTo(first);
}

void ObjectsTab::CellClicked(const QModelIndex& cell) {
  if (cell.column() != Column::kNumber) {
    OpenField(cell);
    return;
  }
  CloseField();
  SelectRow(cell.row());
  core_.map.HighlightObjOnMap(cell.row() + 1);
}

void ObjectsTab::OpenField(const QModelIndex& cell) {
  fieldRow_ = cell.row();
  fieldColumn_ = cell.column();
  fieldEdit_->setGeometry(objectTable_->visualRect(cell));
  fieldEdit_->setText(cell.data().toString());
  fieldEdit_->show();
  fieldEdit_->setFocus();
}

void ObjectsTab::CloseField() {
  fieldEdit_->hide();
  fieldColumn_ = -1;
}

void ObjectsTab::CommitField() {
  const int column = fieldColumn_;
  if (column < Column::kX || column > Column::kComment) return;  // the box is not placed
  Notifier& notifier = core_.notifier;
  const std::string text = CoreText(fieldEdit_->text());
  const std::optional<double> value = FiniteNumber(text);  // microns
  if (column != Column::kComment && !value) {
    notifier.MessageBox("Not a number", MsgIcon::Exclamation, "Quorvalin");
    return;
  }
  const int32_t n = fieldRow_ + 1;
  ObjRecord object;
  if (core_.objects.ObjGet(n, object) != 1) {
    notifier.MessageBox("Internal error", MsgIcon::Exclamation, "Quorvalin");
    return;
  }
  double* const coordinates[] = {nullptr, &object.X, &object.Y, &object.Z};
  if (column == Column::kComment) {
    object.Comment = text;
  } else {
    *coordinates[column] = *value;
  }
  if (core_.objects.ObjEdit(n, object) != 1) {
    notifier.MessageBox("Internal error", MsgIcon::Exclamation, "Quorvalin");
    return;
  }
  CloseField();  // the list redrew the row
}

int32_t ObjectsTab::SelectedObject() const {
  const QItemSelection selection = objectTable_->selectionModel()->selection();
  if (selection.size() != 1) return 0;
  const QItemSelectionRange& range = selection.front();
  const bool wholeRow = range.top() == range.bottom() && range.left() <= Column::kX &&
                        range.right() == Column::kColumns - 1;
  return wholeRow ? range.top() + 1 : 0;
}

void ObjectsTab::MoveToSelected() {
  const int32_t n = SelectedObject();
  if (n == 0) {
    core_.notifier.MessageBox("To move to the object, click on the object number");
    return;
  }
  actions_.MoveToObject(n);
}

}  // namespace qv
