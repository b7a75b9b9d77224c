// The EZHR17 reply and mode helpers, without a port: the cases the driver's wire rows do not
// reach already.
#include <gtest/gtest.h>

#include "controllers/Ezhr17Driver.h"

namespace qv {
namespace {

TEST(Ezhr17Framing, TheStartByteIsNotExaminedButSlashZeroIs) {
  const std::pair<const char*, Ezhr17ReplyCheck> replies[] = {
      {"x/0`", Ezhr17ReplyCheck::kOk},
      {"\xFF\\0`", Ezhr17ReplyCheck::kNoSlashZero},
      {"\xFF/", Ezhr17ReplyCheck::kNoSlashZero}};
  for (const auto& [reply, check] : replies)
    EXPECT_EQ(ParseEzhr17Reply(reply).check, check) << reply;
  EXPECT_EQ(ParseEzhr17Reply("\xFF/1`").data, "");
}

TEST(Ezhr17Framing, InputsKeepOnlyTheirBitsAndNeedADigit) {
  using V = std::optional<int16_t>;
  struct Row {
    const char* data;
    V hardware, limits;
  };
  const Row rows[] = {{"`0\x03", 0, 0},
                      {"`8\x03", 8, 2},
                      {"`99\x03", 3, 24},
                      {"`7", 7, 1},  // no end marker
                      {"`x3\x03", std::nullopt, std::nullopt},
                      {"`-1\x03", std::nullopt, std::nullopt},
                      {"", std::nullopt, std::nullopt}};
  for (const Row& row : rows) {
    EXPECT_EQ(Ezhr17HardwareValue(row.data), row.hardware) << row.data;
    EXPECT_EQ(Ezhr17LimitsValue(row.data), row.limits) << row.data;
  }
}

TEST(Ezhr17Framing, ModeWordBits) {
  // {word, argument, with limits, with flags}: limits change bit value 2 only, flags keep it.
  const std::array<int16_t, 4> rows[] = {{0, 1, 2, 1},  {7, 0, 5, 2}, {5, 1, 7, 1}, {0, 5, 2, 0},
                                         {0, -1, 2, 0}, {3, 3, 3, 2}, {2, 2, 2, 6}, {6, 1, 6, 3}};
  for (const auto& [word, arg, limits, flags] : rows) {
    EXPECT_EQ(Ezhr17ModeWithLimits(word, arg), limits) << word << " " << arg;
    EXPECT_EQ(Ezhr17ModeWithFlags(word, arg), flags) << word << " " << arg;
  }
}

}  // namespace
}  // namespace qv
