// Feeds arbitrary bytes to the keyword file reader as the content of a file, then writes what
// was read and reads it again: whatever a file holds, reading must not crash, and a list the
// program read must come back unchanged from its own writing wherever the format can hold it.
// The file's text is handled in memory, exactly as the reader and writer do with the bytes of a
// file, so that each input costs microseconds rather than a synced write.
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "foundation/KeywordFiles.h"
#include "foundation/NumberText.h"
#include "foundation/TextEncoding.h"
#include "fuzz/FuzzSupport.h"

namespace {

using qv::fuzz::Check;

bool IsTrimmed(std::string_view text) {
  return text.empty() || (text.front() != ' ' && text.back() != ' ');
}

// A number that the program writes must read back to the same text.
void CheckNumberText(double value) {
  if (!std::isfinite(value)) {
    Check(!qv::ParseNumber(qv::Str(value)).has_value());
    return;
  }
  const std::string text = qv::Str(value);
  const auto back = qv::ParseNumber(text);
  Check(back.has_value());
  Check(qv::Str(*back) == text);
  Check(qv::ParseNumber(qv::GeneralText(value)) == back);
  for (const int decimals : {0, 1, 2}) {
    const std::string fixed = qv::FormatFixed(value, decimals);
    Check(qv::ParseNumber(fixed).has_value());
    Check(fixed.rfind("-0", 0) != 0 || fixed.find_first_of("123456789") != std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content =
      qv::DecodeText(std::string(reinterpret_cast<const char*>(data), size));
  Check(qv::IsValidUtf8(content));

  qv::ParList list;
  for (const std::string& line : qv::SplitFileLines(content)) {
    Check(line.find_first_of("\r\n") == std::string::npos);
    qv::ParEntry entry;
    if (!qv::ParseKeywordLine(line, entry)) continue;
    Check(line.size() >= 5);
    Check(entry.Name.find('"') == std::string::npos);
    Check(IsTrimmed(entry.Name));
    const std::string& value = std::get<std::string>(entry.Value);
    Check(IsTrimmed(value));
    Check(value.size() <= line.size());
    list.push_back(std::move(entry));
  }

  // Every key can be fetched into every type without harm. The first keys suffice: a lookup
  // walks the list, and a file of a million keys would make this check, not the reader, slow.
  for (const qv::ParEntry& entry : std::span(list).first(std::min<std::size_t>(list.size(), 64))) {
    double number = 0;
    int16_t small = 0;
    int32_t large = 0;
    std::string text;
    const int16_t numberStatus = qv::GetPar(list, entry.Name, number);
    Check(numberStatus == 1 || numberStatus == qv::kParBadValue);
    if (numberStatus == 1) CheckNumberText(number);
    const int16_t smallStatus = qv::GetPar(list, entry.Name, small);
    const int16_t largeStatus = qv::GetPar(list, entry.Name, large);
    Check(smallStatus != 1 || largeStatus == 1);
    Check(smallStatus != 1 || large == small);
    Check(qv::GetPar(list, entry.Name, text) == 1);
  }

  Check(qv::ParseKeywordText(content).size() == list.size());
  const std::string written = qv::FormatKeywordText(list);
  Check(qv::IsValidUtf8(written));
  const qv::ParList back = qv::ParseKeywordText(qv::DecodeText(written));

  // A written line shorter than five characters (empty name and value) is skipped on reading;
  // a comma inside a name moves the value, as the format reads the first comma of the line.
  std::size_t at = 0;
  for (const qv::ParEntry& entry : list) {
    if (qv::FormatKeywordLine(entry).size() < 5) continue;
    Check(at < back.size());
    Check(back[at].Name == entry.Name);
    if (entry.Name.find(',') == std::string::npos) Check(back[at].Value == entry.Value);
    ++at;
  }
  Check(at == back.size());

  // Numbers put by a caller are written in Str form and read back to the same text.
  if (size >= sizeof(double)) {
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    CheckNumberText(value);
    if (std::isfinite(value)) {
      qv::ParList numbers = {qv::ParEntry{"N", value}};
      numbers = qv::ParseKeywordText(qv::DecodeText(qv::FormatKeywordText(numbers)));
      double reread = 0;
      Check(qv::GetPar(numbers, "N", reread) == 1);
      Check(qv::Str(reread) == qv::Str(value));
    }
  }
  if (const auto parsed = qv::ParseNumber(content)) CheckNumberText(*parsed);
  return 0;
}
