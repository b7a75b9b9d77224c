#include "ui/ParListWindow.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "foundation/AtomicFile.h"
#include "foundation/TextEncoding.h"
#include "platform/QtText.h"

namespace qv {
namespace {

// The edit box sits a little below the cell's top edge and is a little narrower than the cell,
// so that the grid lines around it stay visible.
constexpr int kFieldInset = 1;
constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;

QTableWidgetItem* HeaderItem(const char* caption, Qt::Alignment alignment) {
  auto* item = new QTableWidgetItem(caption);
  item->setTextAlignment(alignment | Qt::AlignVCenter);
  return item;
}

}  // namespace

ParListWindow::ParListWindow(Trapar& trapar, Notifier& notifier, QWidget* parent)
    : QDialog(parent), trapar_(trapar), notifier_(notifier) {
  setObjectName("frmParList");
  setModal(true);
  resize(460, 520);
  auto* layout = new QVBoxLayout(this);
  pathLabel_ = new QLabel(this);
  pathLabel_->setObjectName("lblPath");
  fgrPar_ = new QTableWidget(0, 2, this);
  fgrPar_->setObjectName("fgrPar");
  fgrPar_->setHorizontalHeaderItem(kNameColumn, HeaderItem("Parameter", Qt::AlignLeft));
  fgrPar_->setHorizontalHeaderItem(kValueColumn, HeaderItem("Value", Qt::AlignRight));
  fgrPar_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  fgrPar_->verticalHeader()->hide();
  fgrPar_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fgrPar_->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(pathLabel_);
  layout->addWidget(fgrPar_);
  fieldEdit_ = new QLineEdit(fgrPar_->viewport());
  fieldEdit_->setObjectName("txtField");
  fieldEdit_->hide();
  fieldEdit_->installEventFilter(this);
  connect(fgrPar_, &QTableWidget::cellClicked, this, &ParListWindow::OpenEditor);
  connect(fieldEdit_, &QLineEdit::returnPressed, this, &ParListWindow::CommitEditor);
}

int16_t ParListWindow::Load(const std::string& path) {
  // Kept as UTF-8 text, so that a legacy file is rewritten in one encoding.
  std::string content;
  const int16_t result = trapar_.ReadFileText(path, content);
  if (result != 1) return result;
  path_ = path;
  content_ = std::move(content);
  const QString shown = QString::fromStdString(path_);
  setWindowTitle(shown);
  pathLabel_->setText(shown);
  FillGrid(ParseKeywordText(content_));
  loaded_ = true;
  return 1;
}

void ParListWindow::FillGrid(const ParList& list) {
  const int count = ParCount(list);
  fgrPar_->setRowCount(count);
  names_.clear();
  shownValues_.clear();
  for (int row = 0; row < count; ++row) {
    std::string name;
    ParValue value;
    GetParAt(list, row, name, value);
    auto* nameItem = new QTableWidgetItem(QtText(name));
    auto* valueItem = new QTableWidgetItem(QtText(FormatParValue(value)));
    valueItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fgrPar_->setItem(row, kNameColumn, nameItem);
    fgrPar_->setItem(row, kValueColumn, valueItem);
    names_.push_back(name);
    shownValues_.push_back(valueItem->text());
  }
}

void ParListWindow::OpenEditor(int row, int column) {
  // Only values go back into the list; an edit box over a name would accept a change that is
  // then silently thrown away.
  if (column != kValueColumn || row < 0 || row >= fgrPar_->rowCount()) return;
  QTableWidgetItem* item = fgrPar_->item(row, column);
  const QRect cell = fgrPar_->visualItemRect(item);
  editRow_ = row;
  fieldEdit_->setGeometry(cell.left(), cell.top() + kFieldInset, cell.width() - kFieldInset,
                          cell.height());
  fieldEdit_->setText(item->text());
  fieldEdit_->show();
  fieldEdit_->setFocus();
}

void ParListWindow::CommitEditor() {
  if (editRow_ >= 0) fgrPar_->item(editRow_, kValueColumn)->setText(fieldEdit_->text());
  DropEditor();
}

void ParListWindow::DropEditor() {
  editRow_ = -1;
  fieldEdit_->hide();
}

bool ParListWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == fieldEdit_ && event->type() == QEvent::FocusOut) DropEditor();
  if (watched == fieldEdit_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    DropEditor();
    return true;  // Esc leaves the box, not the window
  }
  return QDialog::eventFilter(watched, event);
}

std::vector<KeywordChange> ParListWindow::Changes() const {
  std::vector<KeywordChange> changes;
  for (int row = 0; row < fgrPar_->rowCount(); ++row) {
    const auto at = static_cast<size_t>(row);
    const auto earlier = std::count(names_.begin(), names_.begin() + row, names_[at]);
    const QString value = fgrPar_->item(row, kValueColumn)->text();
    if (value != shownValues_[at])
      changes.push_back({names_[at], static_cast<int>(earlier), CoreText(value)});
  }
  return changes;
}

// Commands of other sources run while the window is open and may have written this file: the
// operator's values go into the file as it is now, so that neither side's change is lost. A file
// that has gone meanwhile is written as it was read, with the changes.
int16_t ParListWindow::WriteChanges(const std::vector<KeywordChange>& changes) {
  std::string current;
  if (ReadWholeFile(path_, current)) content_ = DecodeText(std::move(current));
  const std::string merged = MergeKeywordValues(content_, changes);
  if (!WriteFileAtomically(path_, merged)) {
    trapar_.ReportWriteFailure(path_);
    return -1;
  }
  content_ = merged;
  for (int row = 0; row < fgrPar_->rowCount(); ++row)
    shownValues_[static_cast<size_t>(row)] = fgrPar_->item(row, kValueColumn)->text();
  return 1;
}

bool ParListWindow::KeepOpenAfterFailedWrite() {
  const std::string text =
      "The changes to " + path_ + " are not saved. Keep the window open to try again?";
  return notifier_.MessageBox(text, MsgIcon::Question, "", MsgButtons::YesNo) == MsgResult::Yes;
}

void ParListWindow::done(int result) {
  // A window whose file was never read has no values to write back.
  if (!loaded_) return QDialog::done(result);
  DropEditor();
  const std::vector<KeywordChange> changes = Changes();
  writeResult_ = changes.empty() ? int16_t{1} : WriteChanges(changes);
  if (writeResult_ != 1 && KeepOpenAfterFailedWrite()) return;
  QDialog::done(result);
}

int16_t EditParFile(QWidget* parent, Trapar& trapar, Notifier& notifier, const std::string& path) {
  ParListWindow window(trapar, notifier, parent);
  const bool full = std::filesystem::path(path).is_absolute();
  const int16_t loaded = window.Load(full ? path : trapar.ParPath(path));
  if (loaded != 1) return loaded;
  window.exec();
  return window.WriteResult();
}

}  // namespace qv
