#pragma once
// The program's own file dialog: drive, folder and file lists with a filter, and a few chores on
// the files shown (new folder, new text, delete, view, list to text). The caller configures it,
// shows it modal and reads the chosen folder and file back; both are empty after Cancel.
#include <QDialog>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Notifier.h"
#include "foundation/TextEditor.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace qv {

class FilesWindow : public QDialog {
  Q_OBJECT

 public:
  FilesWindow(TextEditor& editor, std::string programFolder, QWidget* parent = nullptr);
  ~FilesWindow() override;

  void SetStartDir(const std::string& folder);
  void SetTitle(const std::string& title);
  void SetFilter(const std::string& pattern);
  void SetPatterns(const std::string& patterns);
  std::string GetResDir() const { return resDir_; }
  std::string GetResFile() const { return resFile_; }

  // Questions and failures go to message boxes unless a caller (a test) answers them.
  void SetNotifier(Notifier& notifier) { notifier_ = &notifier; }

  // The menu entries and list actions; the menus call these.
  bool ChangeDir(const QString& folder);
  void PickFile(const QString& name);
  void Done();
  void Cancel();
  bool CreateFolder(const std::string& name);
  void DeleteFolder();
  void DeleteFiles();
  void ViewAsText();
  void FileListToText();

  QString CurrentDir() const { return currentDir_; }
  QComboBox& Drives() { return *driveBox_; }
  QComboBox& Filters() { return *filterBox_; }
  QListWidget& Folders() { return *dirList_; }
  QListWidget& Files() { return *filesList_; }
  QLineEdit& FileField() { return *fileEdit_; }
  QLabel& Size() { return *sizeLabel_; }
  QLabel& Date() { return *dateLabel_; }
  QAction* Action(const char* name) const;

  void reject() override;

 private:
  void BuildMenus();
  void BuildLists();
  void ShowFolder(const QString& folder);
  void ShowDrives();
  void ShowFolders();
  void ShowFiles();
  void AskNewFolder();
  void OpenFolderItem();
  bool Confirm(const std::string& question);
  void Complain(const std::string& text);
  QString FolderPath(const QString& name) const;

  TextEditor& editor_;
  std::string programFolder_;
  std::unique_ptr<Notifier> ownNotifier_;
  Notifier* notifier_;
  QString currentDir_;
  QStringList nameFilters_;
  std::string resDir_;
  std::string resFile_;
  QComboBox* driveBox_ = nullptr;
  QComboBox* filterBox_ = nullptr;
  QListWidget* dirList_ = nullptr;
  QListWidget* filesList_ = nullptr;
  QLineEdit* dirEdit_ = nullptr;
  QLineEdit* fileEdit_ = nullptr;
  QLabel* sizeLabel_ = nullptr;
  QLabel* dateLabel_ = nullptr;
  QLabel* statusLabel_ = nullptr;
};

// The dialog in one call: the full path of the chosen file, or empty when the operator
// cancelled or chose no file. The first of `patterns` is the filter shown first.
std::string ChooseFile(QWidget* parent, TextEditor& editor, const std::string& programFolder,
                       const std::string& title, const std::string& patterns,
                       const std::string& startDir);

}  // namespace qv
