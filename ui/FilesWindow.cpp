#include "ui/FilesWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include "platform/QtNotifier.h"
#include "ui/FileListing.h"

namespace qv {
namespace {

const QString kParentFolder = "..";

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QStringList SplitPatterns(const QString& patterns) {
  return patterns.split(QRegularExpression("[\\s;]+"), Qt::SkipEmptyParts);
}

// The patterns as the file system matches them. "*.*" means every file, also those without a
// dot in their name, as it always has for the program's users.
QStringList NameFilters(const QString& pattern) {
  QStringList filters;
  for (const QString& one : SplitPatterns(pattern))
    filters << (one == "*.*" ? "*" : one);
  if (filters.isEmpty()) filters << "*";
  return filters;
}

FileStamp StampOf(const QFileInfo& info) {
  const QDateTime changed = info.lastModified().toLocalTime();
  return FileStamp{changed.date().year(), changed.date().month(), changed.date().day(),
                   changed.time().hour(), changed.time().minute()};
}

bool IsPlainFolderName(const QString& name) {
  return !name.isEmpty() && name != "." && name != kParentFolder && !name.contains('/') &&
         !name.contains('\\');
}

// A note in the window and the busy pointer while a file-system chore runs.
class BusyNote {
 public:
  BusyNote(QLabel& label, const char* text) : label_(label) {
    label_.setText(text);
    label_.repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~BusyNote() {
    QApplication::restoreOverrideCursor();
    label_.clear();
  }
  BusyNote(const BusyNote&) = delete;
  BusyNote& operator=(const BusyNote&) = delete;

 private:
  QLabel& label_;
};

}  // namespace

FilesWindow::FilesWindow(TextEditor& editor, std::string programFolder, QWidget* parent)
    : QDialog(parent),
      editor_(editor),
      programFolder_(std::move(programFolder)),
      ownNotifier_(std::make_unique<QtNotifier>()),
      notifier_(ownNotifier_.get()) {
  setObjectName("frmFiles");
  setModal(true);
  resize(560, 420);
  SetTitle("File Dialog");
  BuildLists();
  BuildMenus();
  ShowDrives();
  SetPatterns("*.*");
  SetFilter("*.*");
  const QString start = Text(programFolder_);
  ShowFolder(QFileInfo(start).isDir() ? start : QDir::currentPath());
}

FilesWindow::~FilesWindow() = default;

void FilesWindow::BuildMenus() {
  auto* bar = new QMenuBar(this);
  layout()->setMenuBar(bar);
  auto add = [this](QWidget* menu, const char* caption, const char* name, auto slot) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    menu->addAction(action);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  add(bar, "             Done", "mnuDone", &FilesWindow::Done);
  add(bar, "Cancel", "mnuCancel", &FilesWindow::Cancel);
  QMenu* fresh = bar->addMenu("New");
  add(fresh, "Folder", "mnuNewFolder", &FilesWindow::AskNewFolder);
  add(fresh, "Text file", "mnuNewText", [this] { editor_.OpenInTextEditor(""); });
  QMenu* remove = bar->addMenu("Delete");
  add(remove, "Delete Folder", "mnuDeleteFolder", &FilesWindow::DeleteFolder);
  add(remove, "Delete File(s)", "mnuDeleteFiles", &FilesWindow::DeleteFiles);
  QMenu* view = bar->addMenu("View");
  add(view, "View as text", "mnuViewText", &FilesWindow::ViewAsText);
  add(view, "File list to text", "mnuListToText", &FilesWindow::FileListToText);
  // Copying was never built; the entries stay where operators know them, but greyed out.
  QMenu* copy = bar->addMenu("Copy");
  copy->setToolTipsVisible(true);
  for (QAction* entry : {add(copy, "Copy Folder", "mnuCopyFolder", [] {}),
                         add(copy, "Copy File(s)", "mnuCopyFiles", [] {})}) {
    entry->setEnabled(false);
    entry->setToolTip("Not available here: copy with the desktop's file manager");
  }
}

void FilesWindow::BuildLists() {
  auto* grid = new QGridLayout(this);
  driveBox_ = new QComboBox(this);
  filterBox_ = new QComboBox(this);
  dirList_ = new QListWidget(this);
  filesList_ = new QListWidget(this);
  dirEdit_ = new QLineEdit(this);
  fileEdit_ = new QLineEdit(this);
  sizeLabel_ = new QLabel(this);
  dateLabel_ = new QLabel(this);
  statusLabel_ = new QLabel(this);
  filesList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid->addWidget(dirEdit_, 0, 0);
  grid->addWidget(fileEdit_, 0, 1);
  grid->addWidget(dirList_, 1, 0);
  grid->addWidget(filesList_, 1, 1);
  grid->addWidget(driveBox_, 2, 0);
  grid->addWidget(filterBox_, 2, 1);
  grid->addWidget(statusLabel_, 3, 0);
  auto* stamp = new QHBoxLayout;
  stamp->addWidget(sizeLabel_);
  stamp->addWidget(dateLabel_);
  grid->addLayout(stamp, 3, 1);
  connect(driveBox_, &QComboBox::activated, this, [this](int index) {
    if (!ChangeDir(driveBox_->itemText(index))) ShowDrives();
  });
  connect(filterBox_, &QComboBox::activated, this,
          [this](int index) { SetFilter(filterBox_->itemText(index).toStdString()); });
  connect(dirList_, &QListWidget::itemActivated, this, &FilesWindow::OpenFolderItem);
  connect(filesList_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item != nullptr) PickFile(item->text());
  });
  connect(filesList_, &QListWidget::itemDoubleClicked, this, &FilesWindow::Done);
  connect(dirEdit_, &QLineEdit::returnPressed, this, [this] { ChangeDir(dirEdit_->text()); });
}

QAction* FilesWindow::Action(const char* name) const {
  return findChild<QAction*>(name);
}

void FilesWindow::SetStartDir(const std::string& folder) {
  // A remembered folder may have gone since; the dialog then opens where it stands, quietly.
  const QString start = Text(folder.empty() ? programFolder_ : folder);
  if (QFileInfo(start).isDir()) ShowFolder(start);
}

void FilesWindow::SetTitle(const std::string& title) {
  setWindowTitle(Text(title));
}

void FilesWindow::SetFilter(const std::string& pattern) {
  nameFilters_ = NameFilters(Text(pattern));
  const int index = filterBox_->findText(Text(pattern));
  if (index >= 0) filterBox_->setCurrentIndex(index);
  ShowFiles();
}

void FilesWindow::SetPatterns(const std::string& patterns) {
  filterBox_->clear();
  filterBox_->addItems(SplitPatterns(Text(patterns)));
}

bool FilesWindow::ChangeDir(const QString& folder) {
  const QFileInfo info(folder);
  if (folder.isEmpty() || !info.isDir()) {
    Complain("Folder " + folder.toStdString() + " does not exist");
    return false;
  }
  ShowFolder(folder);
  return true;
}

void FilesWindow::ShowFolder(const QString& folder) {
  currentDir_ = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  dirEdit_->setText(QDir::toNativeSeparators(currentDir_));
  fileEdit_->clear();
  sizeLabel_->clear();
  dateLabel_->clear();
  ShowDrives();
  ShowFolders();
  ShowFiles();
}

void FilesWindow::ShowDrives() {
  // The drive shown is the root that holds the current folder; the longest one wins, so that a
  // mounted volume is preferred to the root it is mounted on.
  driveBox_->clear();
  int best = -1;
  qsizetype bestLength = -1;
  for (const QFileInfo& drive : QDir::drives()) {
    const QString root = drive.absoluteFilePath();
    driveBox_->addItem(root);
    if (currentDir_.startsWith(root) && root.size() > bestLength) {
      best = driveBox_->count() - 1;
      bestLength = root.size();
    }
  }
  if (best >= 0) driveBox_->setCurrentIndex(best);
}

// The file system lists a link to a device (the controller line of a demonstration folder) both
// as a folder and as a file; only what the link really leads to is shown.
void FilesWindow::ShowFolders() {
  dirList_->clear();
  const QDir dir(currentDir_);
  if (!dir.isRoot()) dirList_->addItem(kParentFolder);
  for (const QString& name :
       dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
    if (QFileInfo(FolderPath(name)).isDir()) dirList_->addItem(name);
  }
}

void FilesWindow::ShowFiles() {
  filesList_->clear();
  if (currentDir_.isEmpty()) return;
  for (const QString& name :
       QDir(currentDir_).entryList(nameFilters_, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
    if (QFileInfo(FolderPath(name)).isFile()) filesList_->addItem(name);
  }
}

void FilesWindow::OpenFolderItem() {
  const QListWidgetItem* item = dirList_->currentItem();
  if (item == nullptr) return;
  ChangeDir(item->text() == kParentFolder ? QFileInfo(currentDir_).absolutePath()
                                          : FolderPath(item->text()));
}

QString FilesWindow::FolderPath(const QString& name) const {
  return QDir(currentDir_).filePath(name);
}

void FilesWindow::PickFile(const QString& name) {
  fileEdit_->setText(name);
  const QFileInfo info(FolderPath(name));
  if (!info.isFile()) return;
  sizeLabel_->setText(Text(FormatFileSize(static_cast<std::uint64_t>(info.size()))));
  dateLabel_->setText(Text(FormatFileDate(StampOf(info))));
}

void FilesWindow::Done() {
  resDir_ = currentDir_.toStdString();
  resFile_ = fileEdit_->text().trimmed().toStdString();
  QDialog::accept();
}

void FilesWindow::Cancel() {
  reject();
}

void FilesWindow::reject() {
  resDir_.clear();
  resFile_.clear();
  QDialog::reject();
}

void FilesWindow::AskNewFolder() {
  const QString prompt = "Type new directory name.\n" + QDir::toNativeSeparators(currentDir_);
  bool ok = false;
  const QString name =
      QInputDialog::getText(this, "New Directory", prompt, QLineEdit::Normal, QString(), &ok);
  if (ok) CreateFolder(name.toStdString());
}

bool FilesWindow::CreateFolder(const std::string& name) {
  const QString folder = Text(name).trimmed();
  if (folder.isEmpty()) return false;
  if (!IsPlainFolderName(folder)) {
    Complain("\"" + name + "\" is not a folder name");
    return false;
  }
  const QString path = FolderPath(folder);
  if (QFileInfo::exists(path)) {
    Complain(path.toStdString() + " already exists");
    return false;
  }
  bool made = false;
  {
    BusyNote note(*statusLabel_, "Creating...");
    made = QDir(currentDir_).mkdir(folder);
  }
  if (!made) Complain("Folder " + path.toStdString() + " could not be created");
  ShowFolders();
  return made;
}

void FilesWindow::DeleteFolder() {
  const QListWidgetItem* item = dirList_->currentItem();
  if (item == nullptr || item->text() == kParentFolder) {
    Complain("Choose the folder to delete in the folder list");
    return;
  }
  const std::string path = FolderPath(item->text()).toStdString();
  if (!Confirm("Delete " + path + " ?")) return;
  bool removed = false;
  {
    BusyNote note(*statusLabel_, "Deleting...");
    removed = QDir(currentDir_).rmdir(item->text());
  }
  // Only an empty folder is removed: the files in it are not shown, so they cannot have been
  // meant.
  if (!removed) Complain("Folder " + path + " could not be deleted; it must be empty");
  ShowFolders();
}

void FilesWindow::DeleteFiles() {
  const QList<QListWidgetItem*> chosen = filesList_->selectedItems();
  if (chosen.isEmpty()) {
    Complain("Choose the files to delete in the file list");
    return;
  }
  if (!Confirm("Delete selected files?")) return;
  std::string failed;
  {
    BusyNote note(*statusLabel_, "Deleting...");
    for (const QListWidgetItem* item : chosen) {
      if (!QFile::remove(FolderPath(item->text()))) failed += "\n" + item->text().toStdString();
    }
  }
  if (!failed.empty()) Complain("These files could not be deleted:" + failed);
  ShowFiles();
  fileEdit_->clear();
  sizeLabel_->clear();
  dateLabel_->clear();
}

void FilesWindow::ViewAsText() {
  const QString name = fileEdit_->text().trimmed();
  if (name.isEmpty()) {
    Complain("Choose a file first");
    return;
  }
  const QString path = FolderPath(name);
  if (!QFileInfo(path).isFile()) {
    Complain("File " + path.toStdString() + " does not exist");
    return;
  }
  editor_.OpenInTextEditor(path.toStdString());
}

void FilesWindow::FileListToText() {
  std::vector<FileRow> rows;
  for (int i = 0; i < filesList_->count(); ++i) {
    const QFileInfo info(FolderPath(filesList_->item(i)->text()));
    rows.push_back(FileRow{info.fileName().toStdString(), static_cast<std::uint64_t>(info.size()),
                           StampOf(info)});
  }
  editor_.PasteToTextEditor(
      BuildFileListing(QDir::toNativeSeparators(currentDir_).toStdString(), rows));
}

bool FilesWindow::Confirm(const std::string& question) {
  return notifier_->MessageBox(question, MsgIcon::Question, "", MsgButtons::YesNo) ==
         MsgResult::Yes;
}

void FilesWindow::Complain(const std::string& text) {
  notifier_->MessageBox(text, MsgIcon::Exclamation, "", MsgButtons::Ok);
}

std::string ChooseFile(QWidget* parent, TextEditor& editor, const std::string& programFolder,
                       const std::string& title, const std::string& patterns,
                       const std::string& startDir) {
  FilesWindow window(editor, programFolder, parent);
  window.SetTitle(title.empty() ? "File Dialog" : title);
  if (!patterns.empty()) {
    window.SetPatterns(patterns);
    const QStringList list = SplitPatterns(Text(patterns));
    if (!list.isEmpty()) window.SetFilter(list.front().toStdString());
  }
  if (!startDir.empty()) window.SetStartDir(startDir);
  if (window.exec() != QDialog::Accepted || window.GetResFile().empty()) return {};
  return QDir(Text(window.GetResDir())).filePath(Text(window.GetResFile())).toStdString();
}

}  // namespace qv
