#include "ui/EditWindow.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/QtText.h"

namespace qv {
namespace {}  // namespace

EditWindow::EditWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("frmEdit");
  setModal(true);
  resize(420, 300);
  auto* layout = new QVBoxLayout(this);
  editEdit_ = new QPlainTextEdit(this);
  editEdit_->setObjectName("txtEdit");
  layout->addWidget(editEdit_);
  auto* buttons = new QHBoxLayout;
  auto* done = new QPushButton("Done", this);
  done->setObjectName("btnDone");
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("btnCancel");
  // Enter belongs to the text: neither button may take it as a default.
  done->setAutoDefault(false);
  cancel->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(done);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(done, &QPushButton::clicked, this, &EditWindow::Done);
  connect(cancel, &QPushButton::clicked, this, &EditWindow::reject);
}

void EditWindow::SetText(const std::string& text) {
  QString shown = QtText(text);
  shown.replace("\r\n", "\n");
  editEdit_->setPlainText(shown);
}

void EditWindow::Done() {
  accept_ = 1;
  QString text = editEdit_->toPlainText();
  text.replace("\n", "\r\n");
  textRes_ = CoreText(text);
  QDialog::accept();
}

void EditWindow::reject() {
  accept_ = 0;
  textRes_.clear();
  QDialog::reject();
}

}  // namespace qv
