#include "ui/MessageLine.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextDocument>

namespace qv {

namespace {
// Movement of the mouse, in pixels, below which a press and release count as a click.
constexpr int kClickSlop = 3;
}  // namespace

MessageLine::MessageLine(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setContextMenuPolicy(Qt::DefaultContextMenu);
}

void MessageLine::SetFullText(const QString& text) {
  if (text == full_) return;
  full_ = text;
  // A rich-text tool tip wraps, so that a long reply fits the screen.
  setToolTip(text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
  Elide();
}

void MessageLine::CopyFullText() const {
  QApplication::clipboard()->setText(full_);
}

QSize MessageLine::minimumSizeHint() const {
  return {0, QLabel::minimumSizeHint().height()};
}

QSize MessageLine::sizeHint() const {
  return {fontMetrics().averageCharWidth() * 40, QLabel::sizeHint().height()};
}

void MessageLine::Elide() {
  const int room = contentsRect().width() - 2 * margin() - 2 * indent() - 4;
  const QString shown =
      room > 0 ? fontMetrics().elidedText(full_, Qt::ElideRight, room) : QString(full_);
  if (shown != text()) setText(shown);
}

void MessageLine::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void MessageLine::mousePressEvent(QMouseEvent* event) {
  pressedAt_ = event->position().toPoint();
  QLabel::mousePressEvent(event);
}

void MessageLine::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  const bool click = (event->position().toPoint() - pressedAt_).manhattanLength() < kClickSlop;
  if (event->button() == Qt::LeftButton && click && !hasSelectedText()) SetFullText({});
}

void MessageLine::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy) && !hasSelectedText()) {
    CopyFullText();
    event->accept();
    return;
  }
  QLabel::keyPressEvent(event);
}

void MessageLine::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction("Copy");
  copy->setEnabled(!full_.isEmpty());
  if (full_.isEmpty()) copy->setToolTip("The message line is empty");
  menu.setToolTipsVisible(true);
  connect(copy, &QAction::triggered, this, &MessageLine::CopyFullText);
  if (hasSelectedText()) {
    const QString part = selectedText();
    menu.addAction("Copy Selection", this, [part] { QApplication::clipboard()->setText(part); });
  }
  menu.exec(event->globalPos());
}

}  // namespace qv
