#include "ui/ObjectsTab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QVBoxLayout>

#include "foundation/NumberText.h"
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
      actions_(core, services, [this] { DisplayObjList(); }) {
  setObjectName("tabObjects");
  objectTable_ = new QTableWidget(0, kColumns, this);
  objectTable_->setObjectName("objectTable");
  objectTable_->setHorizontalHeaderLabels({"#", "X", "Y", "Z", "Comment"});
  objectTable_->verticalHeader()->hide();
  objectTable_->horizontalHeader()->setStretchLastSection(true);
  objectTable_->setEditTriggers(
      QAbstractItemView::NoEditTriggers);  // cells change through txtField
  objectTable_->setSelectionMode(QAbstractItemView::SingleSelection);
  objectTable_->setColumnWidth(kNumber, 50);
  for (int column : {kX, kY, kZ})
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

  connect(objectTable_, &QTableWidget::cellClicked, this, &ObjectsTab::CellClicked);
  connect(fieldEdit_, &QLineEdit::returnPressed, this, &ObjectsTab::CommitField);
  // The box stands over its cell only while the grid keeps still; once the cell scrolls away,
  // an edit typed into it would look like one of the row now beneath it.
  for (QScrollBar* bar : {objectTable_->verticalScrollBar(), objectTable_->horizontalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, fieldEdit_, &QWidget::hide);
  connect(addPos, &QPushButton::clicked, this, [this] { actions_.AddCurrentPosition(); });
  connect(addNew, &QPushButton::clicked, this, [this] { actions_.AddNewObject(); });
  connect(moveTo, &QPushButton::clicked, this, &ObjectsTab::MoveToSelected);
}

void ObjectsTab::DisplayObjList() {
  ObjectList& objects = core_.objects;
  const int32_t shown = objectTable_->rowCount();
  const int32_t count = objects.ObjListCount();
  int32_t first = shown + 1;
  if (objects.ObjGetChanged() == 1 || count < shown) {
    first = 1;
    objects.ObjSetChanged(0);
    // The row under the edit box may hold another object now; an edit must not land on it.
    fieldEdit_->hide();
  } else if (count == shown) {
    return;
  }
  objectTable_->setRowCount(count);
  for (int32_t n = first; n <= count; ++n)
    FillRow(n);
}

void ObjectsTab::FillRow(int32_t n) {
  ObjRecord object;
  if (core_.objects.ObjGet(n, object) != 1) return;
  const std::string texts[kColumns] = {GeneralText(n), FormatFixed(object.X, 1),
                                       FormatFixed(object.Y, 1), FormatFixed(object.Z, 2),
                                       object.Comment};
  for (int column = 0; column < kColumns; ++column) {
    auto* item = new QTableWidgetItem(QtText(texts[column]));
    const Qt::Alignment side = column == kComment ? Qt::AlignLeft : Qt::AlignRight;
    item->setTextAlignment(side | Qt::AlignVCenter);
    objectTable_->setItem(n - 1, column, item);
  }
}

void ObjectsTab::HighlightObjInGrid(int32_t n) {
  DisplayObjList();  // the object may have been added since the grid was last shown
  if (n < 1 || n > objectTable_->rowCount()) return;
  SelectRow(n - 1);
}

void ObjectsTab::SelectRow(int row) {
  objectTable_->clearSelection();
  objectTable_->setRangeSelected(QTableWidgetSelectionRange(row, 0, row, kColumns - 1), true);
  objectTable_->scrollToItem(objectTable_->item(row, 0));
}

void ObjectsTab::CellClicked(int row, int column) {
  if (column != kNumber) {
    OpenField(row, column);
    return;
  }
  fieldEdit_->hide();
  SelectRow(row);
  core_.map.HighlightObjOnMap(row + 1);
}

void ObjectsTab::OpenField(int row, int column) {
  const QTableWidgetItem* item = objectTable_->item(row, column);
  if (item == nullptr) return;
  fieldRow_ = row;
  fieldColumn_ = column;
  fieldEdit_->setGeometry(objectTable_->visualItemRect(item));
  fieldEdit_->setText(item->text());
  fieldEdit_->show();
  fieldEdit_->setFocus();
}

void ObjectsTab::CommitField() {
  if (fieldColumn_ < kX || fieldColumn_ > kComment) return;  // the box was never placed
  Notifier& notifier = core_.notifier;
  const std::string text = CoreText(fieldEdit_->text());
  const std::optional<double> value = FiniteNumber(text);  // microns
  if (fieldColumn_ != kComment && !value) {
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
  if (fieldColumn_ == kComment) {
    object.Comment = text;
  } else {
    *coordinates[fieldColumn_] = *value;
  }
  if (core_.objects.ObjEdit(n, object) != 1) {
    notifier.MessageBox("Internal error", MsgIcon::Exclamation, "Quorvalin");
    return;
  }
  FillRow(n);
  fieldEdit_->hide();
}

int32_t ObjectsTab::SelectedObject() const {
  const QList<QTableWidgetSelectionRange> ranges = objectTable_->selectedRanges();
  if (ranges.size() != 1) return 0;
  const QTableWidgetSelectionRange& range = ranges.front();
  const bool wholeRow = range.topRow() == range.bottomRow() && range.leftColumn() <= kX &&
                        range.rightColumn() == kColumns - 1;
  return wholeRow ? range.topRow() + 1 : 0;
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
