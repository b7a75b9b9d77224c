// Outside programs. The capture program on a real X display (a private Xvfb): started through the
// launcher, typed into with xdotool by "Snap", and what happens once it has gone. Texts handed to
// the outside editor: each becomes a file of its own with exactly the caller's bytes, which the
// configured editor receives as its last word and which lasts until the program ends; when no
// editor starts, the desktop's opener and then a read-only window take the text.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "commands/CaptureControl.h"
#include "platform/DesktopTextEditor.h"
#include "platform/ProcessLauncher.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/Process.h"
#include "tests/support/QtApplication.h"

namespace qv::test {
namespace {

const std::string kStandIn = std::string(QV_BINARY_DIR) + "/tests/platform/qv-capture-standin";

// Outside programs run on their own: waits until `done` holds, within a limit.
bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return done();
}

std::string BytesOf(const std::string& path) {
  return std::filesystem::exists(path) ? GetBytes(path) : "";
}

TEST(Launcher, TheKeystrokeTextsHaveNamesAndAMissingProgramGivesNothingToTypeInto) {
  EXPECT_EQ(XdotoolKeyNames("a^c^V "), (QStringList{"a", "ctrl+c", "ctrl+v", "space"}));
  EXPECT_FALSE(XdotoolKeyNames(""));
  EXPECT_FALSE(XdotoolKeyNames("%"));
  // A program that is not there gives no id and nothing to type into.
  ProcessLauncher launcher(200);
  EXPECT_EQ(launcher.StartProgram(kEosUtilityPath, {}), 0);
  EXPECT_FALSE(launcher.ActivateWindow(0));
  EXPECT_FALSE(launcher.SendKeys(0, " "));
}

// Through the capture module alone ("Snap" as a command and the log of a trigger that reached
// nobody: the capture tests).
class CaptureOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb is not installed";
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "xdotool is missing";
    // A display number of its own choice, written on its standard output once it takes clients.
    xvfb_ = std::make_unique<Process>(
        xvfb.toStdString(), std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp",
                                                     "-screen", "0", "640x480x24"});
    ASSERT_TRUE(xvfb_->WaitFor("\n", false, std::chrono::seconds(5))) << "Xvfb did not start";
    const std::string display = ":" + xvfb_->OutSoFar().substr(0, xvfb_->OutSoFar().find('\n'));
    setenv("DISPLAY", display.c_str(), 1);  // for the stand-in and xdotool
    EnsureQApplication();
  }
  void TearDown() override {
    if (acq.State().CaptureTaskId > 0) kill(acq.State().CaptureTaskId, SIGTERM);
    if (xvfb_) {
      xvfb_->Signal(SIGTERM);  // lets it remove its lock file
      xvfb_->Finish();
    }
  }

  TempFolder folder;
  const std::string keys = folder.File("keys received");
  const std::string command = kStandIn + " \"" + keys + "\"";
  std::unique_ptr<Process> xvfb_;
  SystemClock clock;  // the real half second for the focus
  ProcessLauncher launcher;
  std::vector<std::string> reports;
  CaptureControl acq{&launcher, clock, command,
                     [this](const std::string& message) { reports.push_back(message); }};
};

// Once the program has ended, a trigger is reported at once, not after the window wait.
TEST_F(CaptureOnX, SnapTypesExactlyOneBlankAndAnEndedProgramIsNotWaitedFor) {
  ASSERT_EQ(acq.LaunchCaptureProgram(), "Capture Program Launched");
  acq.CaptureSnap();
  EXPECT_TRUE(WaitFor([this] { return BytesOf(keys) == " "; })) << BytesOf(keys);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // room for a stray second key
  EXPECT_EQ(GetBytes(keys), " ");
  EXPECT_TRUE(reports.empty());

  const int32_t id = acq.State().CaptureTaskId;
  kill(id, SIGTERM);
  WaitFor([id] { return kill(id, 0) != 0; });
  const auto start = std::chrono::steady_clock::now();
  acq.CaptureSnap();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kWindowWaitMs));
  EXPECT_EQ(reports, std::vector<std::string>{"Capture Program Not Reached"});
}

class TextHandOff : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureQApplication();
    // The editor copies the bytes of the file it was given, then notes its words, one call a line.
    PutBytes(folder.File("editor"), "#!/bin/sh\n[ -f \"$2\" ] && cat \"$2\" >> \"" + copies +
                                        "\"\necho \"$*\" >> \"" + calls + "\"\n");
    std::filesystem::permissions(folder.File("editor"), std::filesystem::perms::owner_all);
    command = folder.File("editor") + " --new";
  }
  // The editor runs detached: its record of `lines` calls is awaited.
  std::string WaitForCalls(size_t lines) const {
    WaitFor([&] { return size_t(std::ranges::count(BytesOf(calls), '\n')) >= lines; });
    return BytesOf(calls);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(texts))
      names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder;
  const std::string calls = folder.File("calls");
  const std::string copies = folder.File("copies");
  const std::string texts = folder.File("texts");
  std::string command;
  DesktopTextEditor editor{command, QString::fromStdString(texts)};
};

// A file opens by its path and a new text starts the editor without one; neither writes a text.
TEST_F(TextHandOff, EachPastedTextIsANewFileWithExactlyItsBytesAFileOpensByItsPath) {
  editor.PasteToTextEditor("one\r\ntwo\r\n");
  WaitForCalls(1);
  editor.PasteToTextEditor("");
  WaitForCalls(2);
  const std::string path = folder.File("QV_COMMANDS.TXT");
  PutBytes(path, "Ver\r\n");
  editor.OpenInTextEditor(path);
  WaitForCalls(3);
  editor.OpenInTextEditor("");
  const std::string record = WaitForCalls(4);
  const std::vector<std::string> files = Texts();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(files[0].ends_with(".txt"));
  EXPECT_EQ(GetBytes(files[0]) + GetBytes(files[1]), "one\r\ntwo\r\n");  // one of them is empty
  EXPECT_NE(record.find("--new " + files[0] + "\n"), std::string::npos) << record;
  EXPECT_NE(record.find("--new " + files[1] + "\n"), std::string::npos) << record;
  EXPECT_TRUE(record.ends_with("--new " + path + "\n--new\n")) << record;
  EXPECT_EQ(GetBytes(copies), "one\r\ntwo\r\nVer\r\n");
}

// Each hand-off says who took the text: the editor, the desktop's opener, or the program's own
// read-only window when neither could be started. A text folder that cannot be made starts
// nothing.
TEST_F(TextHandOff, WithoutAnEditorTheDesktopAndThenAReadOnlyWindowShowTheText) {
  PutBytes(folder.File("plain"), "");
  DesktopTextEditor blocked(command, QString::fromStdString(folder.File("plain") + "/texts"));
  blocked.PasteToTextEditor("lost\r\n");
  EXPECT_TRUE(blocked.WriteTextFile("x").isEmpty());
  const std::string path = folder.File("QV_COMMANDS.TXT");
  PutBytes(path, "Ver\r\n  the version\r\n");
  const std::string missing = folder.File("no-such-editor");
  bool desktopWorks = true;
  std::vector<std::string> desktopOpened;
  std::vector<std::string> reports;
  {
    DesktopTextEditor fallback(missing, QString::fromStdString(texts), [&](const QString& file) {
      desktopOpened.push_back(file.toStdString());
      return desktopWorks;
    });
    fallback.SetReport([&](const std::string& text) { reports.push_back(text); });
    fallback.OpenInTextEditor(path);
    desktopWorks = false;
    fallback.OpenInTextEditor(path);
    fallback.PasteToTextEditor("log\r\n");
    EXPECT_EQ(desktopOpened.size(), 3u);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], "Opened with the desktop's application for text files: " + path);
    EXPECT_EQ(reports[1], "No text editor could be started; shown read-only: " + path);
    const std::vector<QWidget*> viewers = fallback.Viewers();
    ASSERT_EQ(viewers.size(), 2u);
    auto* shown = qobject_cast<QPlainTextEdit*>(viewers[0]);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isReadOnly());
    EXPECT_EQ(shown->toPlainText(), "Ver\n  the version\n");
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(viewers[1])->toPlainText(), "log\n");
  }
  EXPECT_TRUE(Texts().empty());                // the pasted text ended with the program
  EXPECT_TRUE(std::filesystem::exists(path));  // a file of the operator's stays
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(std::filesystem::exists(calls));  // the blocked editor's
}

}  // namespace
}  // namespace qv::test
