// The EZHR17 frame and reply helpers, without a port.
#include <gtest/gtest.h>

#include "controllers/AllMotionCntrl.h"

namespace qv {
namespace {

TEST(Ezhr17Framing, FrameIsSlashAddressCommand) {
  EXPECT_EQ(Ezhr17Frame(49, "?0"), "/1?0");
  EXPECT_EQ(Ezhr17Frame('A', "V500P0R"), "/AV500P0R");
  EXPECT_EQ(Ezhr17Frame('2', ""), "/2");
}

TEST(Ezhr17Framing, ReadyReplyWithNumber) {
  const Ezhr17Reply reply = ParseEzhr17Reply("\xFF/0`1234\x03");
  EXPECT_EQ(reply.check, Ezhr17ReplyCheck::kOk);
  EXPECT_EQ(reply.errorCode, 0);
  EXPECT_TRUE(reply.ready);  // 96 And 32
  EXPECT_EQ(reply.data, "`1234\x03");
  EXPECT_EQ(Ezhr17Number(reply.data), "1234");
}

TEST(Ezhr17Framing, StatusCharacterCarriesErrorCodeAndBusyBit) {
  const Ezhr17Reply error = ParseEzhr17Reply("\xFF/0I\x03");  // 73: error 9, busy
  EXPECT_EQ(error.check, Ezhr17ReplyCheck::kControllerError);
  EXPECT_EQ(error.errorCode, 9);
  EXPECT_FALSE(error.ready);
  EXPECT_EQ(error.data, "I\x03");

  const Ezhr17Reply busy = ParseEzhr17Reply("\xFF/0@");
  EXPECT_EQ(busy.check, Ezhr17ReplyCheck::kOk);
  EXPECT_FALSE(busy.ready);

  const Ezhr17Reply overflow = ParseEzhr17Reply("\xFF/0o");  // 111: error 15, ready
  EXPECT_EQ(overflow.errorCode, 15);
  EXPECT_TRUE(overflow.ready);
}

TEST(Ezhr17Framing, StartByteIsNotExaminedButSlashZeroIs) {
  EXPECT_EQ(ParseEzhr17Reply("x/0`").check, Ezhr17ReplyCheck::kOk);
  EXPECT_EQ(ParseEzhr17Reply("\xFF/1`").check, Ezhr17ReplyCheck::kNoSlashZero);
  EXPECT_EQ(ParseEzhr17Reply("\xFF\\0`").check, Ezhr17ReplyCheck::kNoSlashZero);
  EXPECT_EQ(ParseEzhr17Reply("/0`").check, Ezhr17ReplyCheck::kNoSlashZero);
  EXPECT_EQ(ParseEzhr17Reply("").check, Ezhr17ReplyCheck::kNoSlashZero);
  EXPECT_EQ(ParseEzhr17Reply("\xFF/").check, Ezhr17ReplyCheck::kNoSlashZero);
  EXPECT_EQ(ParseEzhr17Reply("\xFF/1`").data, "");
}

TEST(Ezhr17Framing, SlashZeroWithoutStatusIsItsOwnFailure) {
  const Ezhr17Reply reply = ParseEzhr17Reply("\xFF/0");
  EXPECT_EQ(reply.check, Ezhr17ReplyCheck::kNoStatus);
  EXPECT_EQ(reply.data, "");
}

TEST(Ezhr17Framing, NumberDropsStatusAndEndMarker) {
  EXPECT_EQ(Ezhr17Number("`-56\x03"), "-56");
  EXPECT_EQ(Ezhr17Number("`\x03"), "");
  EXPECT_EQ(Ezhr17Number("`"), "");
  EXPECT_EQ(Ezhr17Number("`1234"), "");  // cut short: no end marker, the 4 is no marker
  EXPECT_EQ(Ezhr17Number(""), "");
}

TEST(Ezhr17Framing, InputsOneOrTwoDigits) {
  EXPECT_EQ(Ezhr17HardwareValue("`6\x03"), 6);
  EXPECT_EQ(Ezhr17LimitsValue("`6\x03"), 1);
  EXPECT_EQ(Ezhr17HardwareValue("`13\x03"), 13);
  EXPECT_EQ(Ezhr17LimitsValue("`13\x03"), 3);
  EXPECT_EQ(Ezhr17HardwareValue("`0\x03"), 0);
  EXPECT_EQ(Ezhr17LimitsValue("`8\x03"), 2);
  // Two digits keep only the four input bits for the hardware value.
  EXPECT_EQ(Ezhr17HardwareValue("`99\x03"), 3);
  EXPECT_EQ(Ezhr17LimitsValue("`99\x03"), 24);
  EXPECT_EQ(Ezhr17HardwareValue("`7"), 7);  // no end marker
}

TEST(Ezhr17Framing, InputsWithoutADigitAreNoValue) {
  EXPECT_EQ(Ezhr17HardwareValue("`\x03"), std::nullopt);
  EXPECT_EQ(Ezhr17HardwareValue("`"), std::nullopt);
  EXPECT_EQ(Ezhr17HardwareValue(""), std::nullopt);
  EXPECT_EQ(Ezhr17HardwareValue("`x3\x03"), std::nullopt);
  EXPECT_EQ(Ezhr17LimitsValue("`\x03"), std::nullopt);
  EXPECT_EQ(Ezhr17LimitsValue("`-1\x03"), std::nullopt);
}

TEST(Ezhr17Framing, ModeWordBits) {
  EXPECT_EQ(Ezhr17ModeWithLimits(0, 1), 2);
  EXPECT_EQ(Ezhr17ModeWithLimits(7, 0), 5);
  EXPECT_EQ(Ezhr17ModeWithLimits(5, 1), 7);
  EXPECT_EQ(Ezhr17ModeWithLimits(0, 5), 2);  // only bit value 2 can change
  EXPECT_EQ(Ezhr17ModeWithLimits(0, -1), 2);
  EXPECT_EQ(Ezhr17ModeWithFlags(2, 2), 6);
  EXPECT_EQ(Ezhr17ModeWithFlags(6, 1), 3);
  EXPECT_EQ(Ezhr17ModeWithFlags(7, 0), 2);
  EXPECT_EQ(Ezhr17ModeWithFlags(3, 3), 2);
}

}  // namespace
}  // namespace qv
