#pragma once
// The microscope picture of the Device Control tab (`imgScope`): a side view of an upright
// stand, drawn with lines and shapes so that it scales with the tab, naming the motorised parts
// that the frames around it drive.
#include <QWidget>

namespace qv {

class ScopePicture : public QWidget {
 public:
  explicit ScopePicture(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {360, 400}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace qv
