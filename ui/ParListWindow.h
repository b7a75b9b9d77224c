#pragma once
// The parameter list editor: one keyword file as a grid of names, values and the remarks that
// follow them in the file (often the unit). Closing writes the file it opened only when a value
// was changed, then only the changed values, into the file as it is by then: remarks, other lines
// and what commands wrote there while the window was open stay as they were. The caller reads the
// file again afterwards.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"
#include "ui/KeywordFileRewrite.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace qv {

class ParListWindow : public QDialog {
  Q_OBJECT

 public:
  ParListWindow(KeywordFiles& keywordFiles, Notifier& notifier, QWidget* parent = nullptr);

  // Reads the file at `path` into the grid; -1 (with the module's message) when it is missing or
  // unreadable, and then the window must not be shown: nothing would be written back.
  int16_t Load(const std::string& path);
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
  void FillGrid(const ParList& list);
  bool GridKey(const QKeyEvent& key);
  // Whether a typed value may replace `old`: never with a comma or a quote, which the file
  // cannot hold in one value; after a question when it is far from the old value.
  bool ValueTaken(const QString& name, const QString& typed, const QString& old);
  // The values the operator changed; empty when none was.
  std::vector<KeywordChange> Changes() const;
  int16_t WriteChanges(const std::vector<KeywordChange>& changes);
  bool KeepOpenAfterFailedWrite();

  KeywordFiles& keywordFiles_;
  Notifier& notifier_;
  QTableWidget* fgrPar_;
  QLineEdit* fieldEdit_;
  QLabel* pathLabel_;
  int editRow_ = -1;
  bool checking_ = false;  // a typed value is being judged: the box stays open meanwhile
  bool loaded_ = false;
  std::string path_;                  // the file this window edits
  std::string content_;               // its text as last read or written here
  std::vector<std::string> names_;    // the entries' names, by row
  std::vector<QString> shownValues_;  // the values as the grid first showed them
  int16_t writeResult_ = 0;
};

// Lets the operator edit the file at `path` (a name alone: in the program folder) in the modal
// window and writes it back on closing. Returns the result of that write, or -1 when the file
// could not be read (nothing is written then).
int16_t EditParFile(QWidget* parent, KeywordFiles& keywordFiles, Notifier& notifier,
                    const std::string& path);

}  // namespace qv
