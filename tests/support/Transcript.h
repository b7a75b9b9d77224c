#pragma once
// Golden transcripts: command-level cases kept as text files under tests/transcripts/, run
// against the in-process simulator on each program folder they name.
//
// Each run starts the program on a line of 9600 baud and lets 10 s of simulated time pass
// before the first command.
// A transcript is read line by line:
//   # text                  a comment (the header says what the case shows)
//   folders: demo demo-im483i
//                           the program folders under config/ the case runs on, each a run of
//                           its own with a fresh copy of the folder
//   wire: EZHR17 IM483I [polls]
//                           the controller types whose wire frames are checked after every
//                           command; without "polls", status polls (frames ending in "Q" or "^")
//                           are left out, and a frame repeated at once is listed once
//   start: N                the result start-up must give (default 1)
//   set FILE KEY VALUE      before start-up: the keyword line of KEY in FILE becomes
//                           "KEY",VALUE (added when FILE has no such line)
//   fault SPEC              from here on the simulated line injects the faults of SPEC (the
//                           simulator's --faults syntax); "fault none" clears them
//   > LINE                  a command line, run as a client's Exec runs it
//   < REPLY                 the joined replies of the line before, without their last blank
//   = FRAME | FRAME ...     the frames the line before put on the wire, in order, several to a
//                           line between " | " ("|" in a frame: \x7C); "= ..." leaves that
//                           command's frames unchecked
//   ~ TEXT                  a channel message the line before added contains TEXT
// "<", "=" and "~" may carry a controller type right after the sign ("<IM483I 0.0 0.0") when
// the expectation holds for that type only. Command lines, replies and frames escape
// control bytes and backslashes as \r, \n, \t, \\ and \xHH.
//
// With QV_TRANSCRIPT_UPDATE=1 in the environment the runner writes the replies and frames it
// saw back into the file instead of comparing, for a deliberate change of behaviour.
#include <optional>
#include <string>
#include <vector>

namespace qv::test {

struct TranscriptStep {
  std::string line;  // the command line, unescaped
  // Expectations in file order: sign ('<', '=', '~'), controller type ("" for all), text
  // (unescaped).
  struct Expect {
    char sign;
    std::string type;
    std::string text;
  };
  std::vector<Expect> expects;
  std::vector<std::string> faultsBefore;  // fault specs to apply before the line
  int lineNumber = 0;                     // of the command line in its file, from 1
};

struct Transcript {
  std::vector<std::string> folders;
  std::vector<std::string> wireTypes;  // controller types whose frames are checked
  bool polls = false;
  int start = 1;
  struct Edit {
    std::string file, key, value;
  };
  std::vector<Edit> edits;
  std::vector<TranscriptStep> steps;
  // The file's lines with every expectation line removed, each marked with the step it ends
  // (-1: none), so that an update writes the new expectations in their places.
  std::vector<std::pair<std::string, int>> skeleton;
};

// What one run on one folder saw for each step.
struct StepResult {
  std::string reply;
  std::vector<std::string> frames;    // as listed under "wire:"
  std::vector<std::string> messages;  // channel messages the step added
  bool framesChecked = false;
};

std::optional<Transcript> ParseTranscript(const std::string& text, std::string& error);
std::string EscapeText(const std::string& text);
std::string UnescapeText(const std::string& text);

// Runs `transcript` on config/`folder`; the controller type of the folder in `type`. Empty
// `error` unless the folder could not be prepared or start-up gave another result.
std::vector<StepResult> RunTranscript(const Transcript& transcript, const std::string& folder,
                                      std::string& type, std::string& error);

// The differences between what `transcript` expects of controller type `type` and `results`,
// one text per difference, each with the line number of its command; none when they agree.
std::vector<std::string> CompareTranscript(const Transcript& transcript, const std::string& type,
                                           const std::vector<StepResult>& results);

// The transcript's text with the expectations replaced by `runs` (controller type and results
// per folder): lines that hold for every run are written without a type.
std::string RewriteTranscript(
    const Transcript& transcript,
    const std::vector<std::pair<std::string, std::vector<StepResult>>>& runs);

}  // namespace qv::test
