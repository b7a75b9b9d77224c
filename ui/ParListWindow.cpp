#include "ui/ParListWindow.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "foundation/AtomicFile.h"
#include "foundation/NumberText.h"
#include "foundation/TextEncoding.h"
#include "platform/QtText.h"

namespace qv {
namespace {

// The edit box sits a little below the cell's top edge and is a little narrower than the cell,
// so that the grid lines around it stay visible.
constexpr int kFieldInset = 1;
constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kRemarkColumn = 2;
// A new value this many times the old one (or the old one's this fraction) is asked about: a
// typing slip more often than a wish.
constexpr double kFarFactor = 100;

constexpr const char* kKeyboardHint =
    "Enter, F2 or typing edits the value of the chosen row; Enter keeps the edit, Esc drops it. "
    "Closing the window (Esc, or Save and Close) saves the changed values.";

// The remark of every entry of a keyword file's text, in file order: what follows the second
// comma of its line (often the value's unit), without the blanks around it.
std::vector<std::string> KeywordRemarks(std::string_view content) {
  std::vector<std::string> remarks;
  for (const FileLine& line : CutFileLines(content)) {
    ParEntry entry;
    if (!ParseKeywordLine(line.text, entry)) continue;
    const std::size_t first = line.text.find(',');
    const std::size_t second =
        first == std::string_view::npos ? first : line.text.find(',', first + 1);
    std::string_view remark =
        second == std::string_view::npos ? std::string_view() : line.text.substr(second + 1);
    const std::size_t start = remark.find_first_not_of(' ');
    remark = start == std::string_view::npos ? std::string_view() : remark.substr(start);
    remarks.emplace_back(remark.substr(0, remark.find_last_not_of(' ') + 1));
  }
  return remarks;
}

QTableWidgetItem* HeaderItem(const char* caption, Qt::Alignment alignment) {
  auto* item = new QTableWidgetItem(caption);
  item->setTextAlignment(alignment | Qt::AlignVCenter);
  return item;
}

}  // namespace

ParListWindow::ParListWindow(KeywordFiles& keywordFiles, Notifier& notifier, QWidget* parent)
    : QDialog(parent), keywordFiles_(keywordFiles), notifier_(notifier) {
  setObjectName("frmParList");
  setModal(true);
  resize(640, 560);
  auto* layout = new QVBoxLayout(this);
  pathLabel_ = new QLabel(this);
  pathLabel_->setObjectName("lblPath");
  fgrPar_ = new QTableWidget(0, 3, this);
  fgrPar_->setObjectName("fgrPar");
  fgrPar_->setHorizontalHeaderItem(kNameColumn, HeaderItem("Parameter", Qt::AlignLeft));
  fgrPar_->setHorizontalHeaderItem(kValueColumn, HeaderItem("Value", Qt::AlignRight));
  fgrPar_->setHorizontalHeaderItem(kRemarkColumn, HeaderItem("Remark", Qt::AlignLeft));
  fgrPar_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  fgrPar_->verticalHeader()->hide();
  fgrPar_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fgrPar_->setSelectionMode(QAbstractItemView::SingleSelection);
  fgrPar_->installEventFilter(this);  // Enter, F2 and typing open the edit box
  auto* hint = new QLabel(kKeyboardHint, this);
  hint->setObjectName("lblHint");
  hint->setWordWrap(true);
  auto* close = new QPushButton("Save and &Close", this);
  close->setObjectName("cmdClose");
  close->setAutoDefault(false);  // Enter belongs to the edit box
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(hint, 1);
  bottom->addWidget(close);
  layout->addWidget(pathLabel_);
  layout->addWidget(fgrPar_);
  layout->addLayout(bottom);
  fieldEdit_ = new QLineEdit(fgrPar_->viewport());
  fieldEdit_->setObjectName("txtField");
  fieldEdit_->hide();
  fieldEdit_->installEventFilter(this);
  connect(fgrPar_, &QTableWidget::cellClicked, this, &ParListWindow::OpenEditor);
}

int16_t ParListWindow::Load(const std::string& path) {
  // Kept as UTF-8 text, so that a legacy file is rewritten in one encoding.
  std::string content;
  const int16_t result = keywordFiles_.ReadFileText(path, content);
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
  const std::vector<std::string> remarks = KeywordRemarks(content_);
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
    const auto index = static_cast<std::size_t>(row);
    auto* remarkItem = new QTableWidgetItem(index < remarks.size() ? QtText(remarks[index]) : "");
    remarkItem->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    fgrPar_->setItem(row, kNameColumn, nameItem);
    fgrPar_->setItem(row, kValueColumn, valueItem);
    names_.push_back(name);
    fgrPar_->setItem(row, kRemarkColumn, remarkItem);
    shownValues_.push_back(valueItem->text());
  }
  if (count > 0) fgrPar_->setCurrentCell(0, kValueColumn);
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
  fieldEdit_->selectAll();  // typing replaces the old value
  fieldEdit_->show();
  fieldEdit_->setFocus();
}

// A value goes into the cell only when the file can hold it as typed, and a value far from the
// one it replaces only when the operator confirms it; otherwise the box stays open on it.
void ParListWindow::CommitEditor() {
  if (editRow_ >= 0) {
    const QString name = fgrPar_->item(editRow_, kNameColumn)->text();
    const QString typed = fieldEdit_->text();
    checking_ = true;  // a message box takes the keyboard from the box, which must stay
    const bool taken = ValueTaken(name, typed, fgrPar_->item(editRow_, kValueColumn)->text());
    checking_ = false;
    if (!taken) {
      fieldEdit_->setFocus();
      fieldEdit_->selectAll();
      return;
    }
    fgrPar_->item(editRow_, kValueColumn)->setText(typed);
  }
  DropEditor();
}

bool ParListWindow::ValueTaken(const QString& name, const QString& typed, const QString& old) {
  const std::string key = CoreText(name);
  const std::string value = CoreText(typed);
  if (value.find_first_of(",\"") != std::string::npos) {
    ParEntry entry;
    const bool readable = ParseKeywordLine(FormatKeywordLine({key, value}), entry);
    notifier_.MessageBox(key + ": " + value +
                             " is not kept: a keyword file holds one value per line, and a comma "
                             "ends it or a quote spoils it (it would read back as " +
                             (readable ? "\"" + FormatParValue(entry.Value) + "\"" : "nothing") +
                             ")",
                         MsgIcon::Exclamation);
    return false;
  }
  const std::optional<double> now = ParseNumber(value);
  const std::optional<double> before = ParseNumber(CoreText(old));
  if (!now || !before || *before == 0 || *now == 0) return true;
  const double ratio = std::fabs(*now / *before);
  if (ratio <= kFarFactor && ratio >= 1 / kFarFactor) return true;
  const std::string file = std::filesystem::path(CoreText(pathLabel_->text())).filename().string();
  const std::string text = key + " in " + file + ": " + value + " is more than " +
                           std::to_string(static_cast<int>(kFarFactor)) + " times " +
                           (ratio > 1 ? "" : "smaller than ") + CoreText(old) +
                           ", the value it replaces. Keep " + value + "?";
  return notifier_.MessageBox(text, MsgIcon::Question, "", MsgButtons::YesNo) == MsgResult::Yes;
}

void ParListWindow::DropEditor() {
  editRow_ = -1;
  fieldEdit_->hide();
}

// Enter or F2 on a row edits its value; a typed character starts a new value with it.
bool ParListWindow::GridKey(const QKeyEvent& key) {
  const int row = fgrPar_->currentRow();
  if (row < 0) return false;
  const bool open =
      key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_F2;
  const QString typed = key.text();
  const bool typing = !open && !typed.isEmpty() && typed.at(0).isPrint() &&
                      (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
  if (!open && !typing) return false;
  OpenEditor(row, kValueColumn);
  if (typing) fieldEdit_->setText(typed);
  return true;
}

bool ParListWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == fgrPar_ && event->type() == QEvent::KeyPress &&
      GridKey(*static_cast<QKeyEvent*>(event))) {
    return true;
  }
  if (watched == fieldEdit_ && event->type() == QEvent::FocusOut && !checking_) DropEditor();
  // The box keeps its Enter and Esc: passed on, Enter would open the box again from the grid
  // and Esc would close the window.
  if (watched == fieldEdit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) CommitEditor();
    if (key == Qt::Key_Escape) DropEditor();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      if (!fieldEdit_->isVisible()) fgrPar_->setFocus();
      return true;
    }
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
    keywordFiles_.ReportWriteFailure(path_);
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

int16_t EditParFile(QWidget* parent, KeywordFiles& keywordFiles, Notifier& notifier,
                    const std::string& path) {
  ParListWindow window(keywordFiles, notifier, parent);
  const bool full = std::filesystem::path(path).is_absolute();
  const int16_t loaded = window.Load(full ? path : keywordFiles.ParPath(path));
  if (loaded != 1) return loaded;
  window.exec();
  return window.WriteResult();
}

}  // namespace qv
