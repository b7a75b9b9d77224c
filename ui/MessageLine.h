#pragma once
// A one-line message display that never widens its window: a text longer than the line is shown
// cut short with an ellipsis, and the whole text stays reachable as the tool tip and through
// "Copy" (context menu, or Ctrl+C with nothing selected). Parts of the shown text can be
// selected with the mouse; a plain click clears the line.
#include <QLabel>
#include <QString>

namespace qv {

class MessageLine : public QLabel {
  Q_OBJECT

 public:
  explicit MessageLine(QWidget* parent = nullptr);

  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }
  // The whole text to the clipboard.
  void CopyFullText() const;

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Elide();

  QString full_;
  QPoint pressedAt_;  // where the left button went down, to tell a click from a selection
};

}  // namespace qv
