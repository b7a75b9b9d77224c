#include "platform/QtNotifier.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <iostream>

namespace qv {
namespace {

QMessageBox::Icon ToQt(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MsgResult QtNotifier::MessageBox(const std::string& text, MsgIcon icon, const std::string& title,
                                 MsgButtons buttons) {
  ++shown_;
  // Nobody can answer a box on the offscreen platform: the text goes to standard error and the
  // question is answered as a cautious operator would, with Cancel or No.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    QString shown = QString::fromStdString(text);
    std::cerr << "quorvalin: "
              << shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).toStdString() << '\n';
    if (buttons == MsgButtons::OkCancel) return MsgResult::Cancel;
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
  }
  QMessageBox box(ToQt(icon), QString::fromStdString(title.empty() ? "Quorvalin" : title),
                  QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
  switch (buttons) {
    case MsgButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      box.exec();
      return MsgResult::Ok;
    case MsgButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      return box.exec() == QMessageBox::Ok ? MsgResult::Ok : MsgResult::Cancel;
    case MsgButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      return box.exec() == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
  }
  return MsgResult::Ok;
}

void QtNotifier::Beep() {
  QApplication::beep();
}

bool DisplayAvailable() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (!platform.isEmpty())
    return !platform.startsWith("offscreen") && !platform.startsWith("minimal");
  return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

}  // namespace qv
