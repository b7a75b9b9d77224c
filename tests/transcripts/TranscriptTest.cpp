// Runs every transcript under tests/transcripts/ on the program folders it names (the format is
// described in tests/support/Transcript.h). QV_TRANSCRIPT_UPDATE=1 rewrites the expectations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/foundation/TestFiles.h"
#include "tests/support/Transcript.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(QV_SOURCE_DIR) / "tests" / "transcripts";

std::vector<std::string> TranscriptFiles() {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(kRoot)) {
    if (entry.path().extension() == ".transcript")
      files.push_back(fs::relative(entry.path(), kRoot).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = fs::path(info.param).replace_extension().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class Transcripts : public ::testing::TestWithParam<std::string> {};

TEST_P(Transcripts, RepliesAndFramesAreAsWritten) {
  const std::string path = (kRoot / GetParam()).string();
  std::string error;
  const std::optional<Transcript> transcript = ParseTranscript(GetBytes(path), error);
  ASSERT_TRUE(transcript) << path << ": " << error;
  const char* update = std::getenv("QV_TRANSCRIPT_UPDATE");
  const bool rewrite = update != nullptr && std::string(update) == "1";
  std::vector<std::pair<std::string, std::vector<StepResult>>> runs;
  for (const std::string& folder : transcript->folders) {
    std::string type;
    std::vector<StepResult> results = RunTranscript(*transcript, folder, type, error);
    ASSERT_TRUE(error.empty()) << path << " on " << folder << ": " << error;
    for (const std::string& difference : CompareTranscript(*transcript, type, results)) {
      if (!rewrite) ADD_FAILURE() << path << ":" << difference;
    }
    runs.emplace_back(type, std::move(results));
  }
  if (rewrite) PutBytes(path, RewriteTranscript(*transcript, runs));
}

INSTANTIATE_TEST_SUITE_P(Files, Transcripts, ::testing::ValuesIn(TranscriptFiles()), TestName);

}  // namespace
}  // namespace qv::test
