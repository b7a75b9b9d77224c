// Stands in for the capture program: a window that appends the text of every key it receives
// to the file named on its command line, so a test can see exactly what was typed into it.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QWidget>

namespace {

class KeyRecorder final : public QWidget {
 public:
  explicit KeyRecorder(const QString& path) : file_(path) {
    file_.open(QIODevice::WriteOnly | QIODevice::Append);
  }
  bool Ready() const { return file_.isOpen(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const QString text =
        event->text().isEmpty() ? QString("<%1>").arg(event->key()) : event->text();
    file_.write(text.toUtf8());
    file_.flush();
  }

 private:
  QFile file_;
};

}  // namespace

int main(int argc, char** argv) {
  // A window on the X display even when the test run chose Qt's offscreen platform.
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  KeyRecorder window(QString::fromLocal8Bit(argv[1]));
  if (!window.Ready()) return 1;
  window.show();
  return QApplication::exec();
}
