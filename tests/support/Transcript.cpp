#include "tests/support/Transcript.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <string_view>

#include "sim/Faults.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

using Expect = TranscriptStep::Expect;

// Start-up leaves some motions running (a stage's way back from its home switch); a person
// types the first command later than that.
constexpr sim::Micros kSettle = 10'000'000;

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

bool IsPoll(const std::string& frame) {
  return frame.ends_with("Q") || frame.ends_with("^");
}

std::string TypeName(sim::ControllerType type) {
  return type == sim::ControllerType::EZHR17 ? "EZHR17" : "IM483I";
}

bool Applies(const Expect& expect, char sign, const std::string& type) {
  return expect.sign == sign && (expect.type.empty() || expect.type == type);
}

// "<", "=" or "~", an optional controller type glued to it, then the text after one blank.
Expect ParseExpect(const std::string& line) {
  Expect expect{line[0], "", ""};
  size_t textAt = 1;
  if (line.size() > 1 && line[1] != ' ') {
    const size_t blank = line.find(' ');
    expect.type = line.substr(1, blank == std::string::npos ? std::string::npos : blank - 1);
    textAt = blank == std::string::npos ? line.size() : blank;
  }
  if (textAt < line.size()) expect.text = line.substr(textAt + 1);
  return expect;
}

bool ParseHeader(const std::string& line, Transcript& t, std::vector<std::string>& faults,
                 std::string& error) {
  const std::vector<std::string> words = Words(line);
  const std::string& head = words.front();
  if (head == "folders:") {
    t.folders.assign(words.begin() + 1, words.end());
  } else if (head == "wire:") {
    for (size_t i = 1; i < words.size(); ++i) {
      if (words[i] == "polls")
        t.polls = true;
      else
        t.wireTypes.push_back(words[i]);
    }
  } else if (head == "start:" && words.size() == 2) {
    t.start = std::stoi(words[1]);
  } else if (head == "set" && words.size() >= 4) {
    const size_t valueAt = line.find(words[3], line.find(words[2]) + words[2].size());
    t.edits.push_back({words[1], words[2], line.substr(valueAt)});
  } else if (head == "fault" && words.size() == 2) {
    faults.push_back(words[1]);
  } else {
    error = "not a transcript line: " + line;
    return false;
  }
  return true;
}

std::vector<std::string> ListedFrames(const std::deque<std::string>& frames, bool polls) {
  std::vector<std::string> listed;
  for (const std::string& frame : frames) {
    if (!polls && IsPoll(frame)) continue;
    if (!polls && !listed.empty() && listed.back() == frame) continue;
    listed.push_back(frame);
  }
  return listed;
}

// Messages of `after` that `before` did not end with: the ring may have dropped its oldest.
std::vector<std::string> AddedMessages(const std::vector<std::string>& before,
                                       const std::vector<std::string>& after) {
  for (size_t dropped = 0; dropped <= before.size(); ++dropped) {
    const size_t kept = before.size() - dropped;
    if (kept <= after.size() && std::equal(before.begin() + dropped, before.end(), after.begin()))
      return {after.begin() + kept, after.end()};
  }
  return after;
}

std::string WithoutLastBlank(const std::string& reply) {
  return reply.ends_with(' ') ? reply.substr(0, reply.size() - 1) : reply;
}

// Frames on one "=" line are separated by " | "; a bar within a frame is written "\x7C".
const std::string kFrameBar = " | ";

// The pieces of `text` between the separators; the whole text when `bar` is empty.
std::vector<std::string> Cut(const std::string& text, const std::string& bar) {
  if (bar.empty()) return {text};
  std::vector<std::string> pieces;
  for (size_t at = 0, end = 0; end != std::string::npos; at = end + bar.size())
    pieces.push_back(text.substr(at, (end = text.find(bar, at)) - at));
  return pieces;
}

std::string FrameText(const std::string& frame) {
  std::string text;
  for (const char c : EscapeText(frame))
    text += c == '|' ? std::string("\\x7C") : std::string(1, c);
  return text;
}

}  // namespace

// The bytes escaped by a letter of their own, and the letters.
constexpr std::string_view kNamed = "\\\r\n\t", kLetters = "\\rnt";

std::string EscapeText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    char hex[5];
    if (const size_t named = kNamed.find(c); named != std::string_view::npos) {
      out += {'\\', kLetters[named]};
    } else if (byte < 0x20 || byte >= 0x7f) {
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    // An escape's letter or byte; any other escaped character stands for itself.
    if (text[i] == '\\' && i + 1 < text.size()) {
      if (const size_t named = kLetters.find(text[++i]); named != std::string_view::npos) {
        out += kNamed[named];
        continue;
      }
      if (text[i] == 'x' && i + 2 < text.size()) {
        out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::optional<Transcript> ParseTranscript(const std::string& text, std::string& error) {
  Transcript t;
  std::vector<std::string> faults;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.ends_with('\r')) line.pop_back();
    if (line.starts_with("> ")) {
      t.steps.push_back({UnescapeText(line.substr(2)), {}, faults, number});
      faults.clear();
      t.skeleton.emplace_back(line, static_cast<int>(t.steps.size()) - 1);
      continue;
    }
    if (!line.empty() && (line[0] == '<' || line[0] == '=' || line[0] == '~')) {
      if (t.steps.empty()) {
        error = "an expectation before the first command: " + line;
        return std::nullopt;
      }
      // Frames come several to a line, each escaped on its own.
      const Expect raw = ParseExpect(line);
      for (const std::string& piece : Cut(raw.text, raw.sign == '=' ? kFrameBar : ""))
        t.steps.back().expects.push_back({raw.sign, raw.type, UnescapeText(piece)});
      continue;
    }
    // A comment, a blank line or a header line stays in the skeleton as it is.
    const bool comment = line.empty() || line[0] == '#';
    if (!comment && !ParseHeader(line, t, faults, error)) return std::nullopt;
    t.skeleton.emplace_back(line, -1);
  }
  if (t.folders.empty()) {
    error = "no \"folders:\" line";
    return std::nullopt;
  }
  return t;
}

std::vector<StepResult> RunTranscript(const Transcript& t, const std::string& folder,
                                      std::string& type, std::string& error) {
  // Bytes take their time on the line, as at 9600 baud: loops that poll without a pause (the
  // homing searches) see the units move between their questions.
  BasicSimSystem<> s(RepoFolder("config/" + folder), sim::LineOptions{.baud = 9600}, {},
                     [&t](const TempFolder& copy) {
                       for (const Transcript::Edit& edit : t.edits)
                         SetKeyword(copy, edit.file, edit.key, edit.value);
                     });
  type = TypeName(s.plan.type);
  const bool checked = std::find(t.wireTypes.begin(), t.wireTypes.end(), type) != t.wireTypes.end();
  const int16_t started = s.Start();
  if (started != t.start) {
    error = "start-up gave " + std::to_string(started);
    return {};
  }
  s.clock.Advance(kSettle);
  std::vector<StepResult> results;
  for (const TranscriptStep& step : t.steps) {
    for (const std::string& spec : step.faultsBefore) {
      sim::FaultPlan plan;
      s.line.ClearFaults();
      if (spec != "none" && !sim::ParseFaultSpec(spec, plan, error)) return {};
      s.line.ApplyFaultPlan(plan);
    }
    const std::vector<std::string> before = s.Log();
    s.line.ClearFrames();
    StepResult result;
    result.reply = s.Run(step.line);
    result.framesChecked = checked;
    if (checked) result.frames = ListedFrames(s.line.Frames(), t.polls);
    result.messages = AddedMessages(before, s.Log());
    results.push_back(std::move(result));
  }
  return results;
}

std::vector<std::string> CompareTranscript(const Transcript& t, const std::string& type,
                                           const std::vector<StepResult>& results) {
  std::vector<std::string> differences;
  for (size_t i = 0; i < t.steps.size() && i < results.size(); ++i) {
    const TranscriptStep& step = t.steps[i];
    const StepResult& seen = results[i];
    const std::string where = std::to_string(step.lineNumber) + ": on " + type + ", > " +
                              EscapeText(step.line) + ":\n    ";
    std::vector<std::string> expectedFrames;
    bool anyFrames = false, replyChecked = false;
    for (const Expect& e : step.expects) {
      if (Applies(e, '<', type)) {
        replyChecked = true;
        if (e.text != WithoutLastBlank(seen.reply))
          differences.push_back(where + "reply    \"" + EscapeText(seen.reply) +
                                "\"\n    expected \"" + EscapeText(e.text) + " \"");
      } else if (Applies(e, '=', type)) {
        anyFrames = anyFrames || e.text == "...";
        expectedFrames.push_back(e.text);
      } else if (Applies(e, '~', type)) {
        const bool found =
            std::any_of(seen.messages.begin(), seen.messages.end(),
                        [&e](const std::string& m) { return m.find(e.text) != std::string::npos; });
        if (!found) differences.push_back(where + "no channel message with \"" + e.text + "\"");
      }
    }
    if (!replyChecked)
      differences.push_back(where + "no reply expected; saw \"" + EscapeText(seen.reply) + "\"");
    if (seen.framesChecked && !anyFrames && expectedFrames != seen.frames) {
      const auto list = [](const std::vector<std::string>& frames) {
        std::string text;
        for (const std::string& f : frames)
          text += " " + EscapeText(f);
        return text.empty() ? std::string(" (none)") : text;
      };
      differences.push_back(where + "frames  " + list(seen.frames) + "\n    expected" +
                            list(expectedFrames));
    }
  }
  return differences;
}

std::string RewriteTranscript(
    const Transcript& t, const std::vector<std::pair<std::string, std::vector<StepResult>>>& runs) {
  std::string out;
  for (const auto& [line, stepIndex] : t.skeleton) {
    out += line + "\n";
    if (stepIndex < 0) continue;
    const TranscriptStep& step = t.steps[static_cast<size_t>(stepIndex)];
    const auto same = [&runs](auto field) {
      return std::all_of(runs.begin(), runs.end(),
                         [&](const auto& run) { return field(run) == field(runs.front()); });
    };
    const auto reply = [at = static_cast<size_t>(stepIndex)](const auto& run) {
      return WithoutLastBlank(run.second[at].reply);
    };
    const auto sign = [](char c, const std::string& type) {
      return std::string(1, c) + type + " ";
    };
    if (same(reply)) {
      out += sign('<', "") + EscapeText(reply(runs.front())) + "\n";
    } else {
      for (const auto& run : runs)
        out += sign('<', run.first) + EscapeText(reply(run)) + "\n";
    }
    const bool unchecked = std::any_of(step.expects.begin(), step.expects.end(),
                                       [](auto& e) { return e.sign == '=' && e.text == "..."; });
    for (const Expect& e : step.expects) {
      if (e.sign == '~' || (e.sign == '=' && e.text == "..."))
        out += sign(e.sign, e.type) + EscapeText(e.text) + "\n";
    }
    if (unchecked) continue;
    std::vector<std::pair<std::string, std::vector<std::string>>> wires;
    for (const auto& run : runs) {
      const StepResult& r = run.second[static_cast<size_t>(stepIndex)];
      if (r.framesChecked) wires.emplace_back(run.first, r.frames);
    }
    const bool allSame = std::all_of(wires.begin(), wires.end(),
                                     [&](const auto& w) { return w.second == wires[0].second; });
    // As many frames to a line as fit in 100 columns.
    for (size_t w = 0; w < wires.size() && !(allSame && w > 0); ++w) {
      const std::string head =
          sign('=', allSame && runs.size() == wires.size() ? "" : wires[w].first);
      std::string framesLine;
      for (const std::string& frame : wires[w].second) {
        const std::string text = FrameText(frame);
        if (!framesLine.empty() && framesLine.size() + kFrameBar.size() + text.size() > 100) {
          out += framesLine + "\n";
          framesLine.clear();
        }
        framesLine += (framesLine.empty() ? head : kFrameBar) + text;
      }
      if (!framesLine.empty()) out += framesLine + "\n";
    }
  }
  return out;
}

}  // namespace qv::test
