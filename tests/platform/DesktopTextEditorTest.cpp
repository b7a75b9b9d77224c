// Texts handed to the outside editor: each becomes a file of its own with exactly the caller's
// bytes, which the configured editor receives as its last word and which outlives the hand-off.
#include <gtest/gtest.h>

#include <QFile>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/DesktopTextEditor.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/QtApplication.h"

namespace qv::test {
namespace {

// What a detached program has written so far; nothing while it has not made the file yet.
std::string BytesSoFar(const std::string& path) {
  return std::filesystem::exists(path) ? GetBytes(path) : std::string();
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
  // The editor runs detached: its record is awaited, within a limit.
  std::string WaitForCalls(size_t lines) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (;;) {
      const std::string text = BytesSoFar(calls);
      const auto count = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
      if (count >= lines || std::chrono::steady_clock::now() > deadline) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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

TEST_F(TextHandOff, EachPastedTextIsANewFileWithExactlyItsBytes) {
  editor.PasteToTextEditor("one\r\ntwo\r\n");
  WaitForCalls(1);
  editor.PasteToTextEditor("");
  const std::string record = WaitForCalls(2);
  const std::vector<std::string> files = Texts();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(GetBytes(files[0]) + GetBytes(files[1]), "one\r\ntwo\r\n");  // one of them is empty
  EXPECT_NE(record.find("--new " + files[0] + "\n"), std::string::npos) << record;
  EXPECT_NE(record.find("--new " + files[1] + "\n"), std::string::npos) << record;
  EXPECT_EQ(GetBytes(copies), "one\r\ntwo\r\n");
}

TEST_F(TextHandOff, AFileOpensByItsPathAndANewTextStartsTheEditorWithoutOne) {
  const std::string path = folder.File("QV_COMMANDS.TXT");
  PutBytes(path, "Ver\r\n");
  editor.OpenInTextEditor(path);
  WaitForCalls(1);
  editor.OpenInTextEditor("");
  EXPECT_EQ(WaitForCalls(2), "--new " + path + "\n--new\n");
  EXPECT_FALSE(std::filesystem::exists(texts));  // nothing written for either
}

TEST_F(TextHandOff, AFolderThatCannotBeMadeStartsNothing) {
  PutBytes(folder.File("plain"), "");
  DesktopTextEditor blocked(command, QString::fromStdString(folder.File("plain") + "/texts"));
  blocked.PasteToTextEditor("lost\r\n");
  EXPECT_TRUE(blocked.WriteTextFile("x").isEmpty());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(std::filesystem::exists(calls));
}

TEST_F(TextHandOff, TheTextsFolderIsPrivateToTheProgramAndSurvivesIt) {
  const QString file = editor.WriteTextFile("kept");
  ASSERT_FALSE(file.isEmpty());
  EXPECT_TRUE(file.startsWith(QString::fromStdString(texts) + "/"));
  EXPECT_TRUE(file.endsWith(".txt"));
  EXPECT_TRUE(DesktopTextEditor::DefaultTextFolder().endsWith("/quorvalin-texts"));
  EXPECT_EQ(GetBytes(file.toStdString()), "kept");
}

}  // namespace
}  // namespace qv::test
