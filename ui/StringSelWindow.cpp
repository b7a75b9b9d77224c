#include "ui/StringSelWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/QtText.h"

namespace qv {
namespace {

bool ShiftHeld(Qt::KeyboardModifiers modifiers) {
  return modifiers.testFlag(Qt::ShiftModifier);
}

}  // namespace

StringSelWindow::StringSelWindow(Display& display, QWidget* parent)
    : QDialog(parent), display_(display) {
  setObjectName("frmStringSel");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  stringsList_ = new QListWidget(this);
  stringsList_->setObjectName("lstStrings");
  layout->addWidget(stringsList_);
  stringsList_->installEventFilter(this);
  // A click chooses; Enter is taken in the event filter. The list's own "activated" is not used:
  // on some styles a click would activate as well and one choice would be made twice.
  connect(stringsList_, &QListWidget::clicked, this, [this](const QModelIndex& index) {
    Choose(index.row(), ShiftHeld(QGuiApplication::keyboardModifiers()));
  });
}

void StringSelWindow::StringLoad(const std::vector<std::string>& texts) {
  stringsList_->clear();
  for (const std::string& text : texts)
    stringsList_->addItem(QtText(text));
  if (!texts.empty()) stringsList_->setCurrentRow(0);
  FitToTexts();
}

void StringSelWindow::FitToTexts() {
  const QFontMetrics metrics(stringsList_->font());
  int width = 0;
  for (int row = 0; row < stringsList_->count(); ++row)
    width = std::max(width, metrics.horizontalAdvance(stringsList_->item(row)->text()));
  const int rows = std::max(stringsList_->count(), 1);
  const int frame = 2 * stringsList_->frameWidth() + layout()->contentsMargins().left() +
                    layout()->contentsMargins().right();
  const int rowHeight = std::max(stringsList_->sizeHintForRow(0), metrics.height());
  QSize wanted(width + frame + 2 * metrics.averageCharWidth(), rows * rowHeight + frame);
  const QScreen* screen =
      parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
  resize(wanted.expandedTo(QSize(120, 60)));
}

void StringSelWindow::Choose(int row, bool prefix) {
  const QListWidgetItem* item = stringsList_->item(row);
  if (item == nullptr) return;
  selected_ = CoreText(item->text());
  if (prefix) {
    display_.PrefixCmd(selected_);
  } else {
    display_.EnterCmd(selected_);
  }
}

bool StringSelWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == stringsList_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      Choose(stringsList_->currentRow(), ShiftHeld(key->modifiers()));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace qv
