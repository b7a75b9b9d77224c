#pragma once
// The parameter list editor: one keyword file as a grid of names, values and the remarks that
// follow them in the file (often the unit). It works on the current keyword list of the Trapar
// module, so that the caller's next read sees exactly what was written. Closing copies the
// values back and writes the file only when a value was changed, then only the changed values:
// remarks and other lines stay as they were.
#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Notifier.h"
#include "foundation/Trapar.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace qv {

class ParListWindow : public QDialog {
  Q_OBJECT

 public:
  ParListWindow(Trapar& trapar, Notifier& notifier, QWidget* parent = nullptr);

  // Reads the current parameter file into the grid; -1 (with the module's message) when it is
  // missing or unreadable, and then the window must not be shown: nothing would be written back.
  int16_t Load();
  // The result of writing the file back on closing (1 also when nothing had to be written); 0
  // while the window has not been closed.
  int16_t WriteResult() const { return writeResult_; }

  // The floating edit box over a cell: OpenEditor places it, Enter commits it, any other way of
  // leaving it drops what was typed.
  void OpenEditor(int row, int column);
  void CommitEditor();
  void DropEditor();

  QTableWidget& Grid() { return *fgrPar_; }
  QLineEdit& Field() { return *fieldEdit_; }

  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillGrid();
  bool GridKey(const QKeyEvent& key);
  // Whether a typed value may replace `old`: never with a comma or a quote, which the file
  // cannot hold in one value; after a question when it is far from the old value.
  bool ValueTaken(const QString& name, const QString& typed, const QString& old);
  // The values the operator changed, by entry; empty when none was.
  std::vector<std::optional<std::string>> Changes() const;
  void CopyValuesBack();
  int16_t WriteChanges(const std::vector<std::optional<std::string>>& changes);
  bool KeepOpenAfterFailedWrite();

  Trapar& trapar_;
  Notifier& notifier_;
  QTableWidget* fgrPar_;
  QLineEdit* fieldEdit_;
  QLabel* pathLabel_;
  int editRow_ = -1;
  bool checking_ = false;  // a typed value is being judged: the box stays open meanwhile
  bool loaded_ = false;
  std::optional<std::string> content_;  // the file as it was read, when it could be kept
  std::vector<QString> shownValues_;    // the values as the grid first showed them
  int16_t writeResult_ = 0;
};

// Sets the current parameter file to `path`, lets the operator edit it in the modal window and
// writes it back on closing. Returns WriteParFile's result, or -1 when the file could not be read
// (nothing is written then). A full path outside the program folder leaves the module's folder
// and file as they were once the window has closed.
int16_t EditParFile(QWidget* parent, Trapar& trapar, Notifier& notifier, const std::string& path);

}  // namespace qv
