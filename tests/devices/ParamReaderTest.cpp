// Device files are loaded under three rules: required, optional and message keys.
#include "devices/ParamReader.h"

#include <gtest/gtest.h>

#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test {
namespace {

class DeviceFile : public ::testing::Test {
 protected:
  void SetUp() override { trapar.SetParDir(folder.Dir()); }
  void Put(const std::string& bytes) { PutBytes(folder.File("QV_PARX.TXT"), bytes); }
  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
  ParamReader reader{trapar};
};

TEST_F(DeviceFile, RequiredKeysAreRoundedHalfToEvenAndAddressesTakeTheFirstCharacter) {
  Put("\"A\", 2.5\r\n\"B\", 3.5\r\n\"C\",  XY \r\n\"D\", 1.25\r\n\"E\", 70000.5\r\n");
  ASSERT_TRUE(reader.Open("QV_PARX.TXT"));
  int16_t a = 0, b = 0, address = 0;
  double d = 0;
  int32_t e = 0;
  reader.Required("A", a);
  reader.Required("B", b);
  reader.RequiredAddress("C", address);
  reader.Required("D", d);
  reader.Required("E", e);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 4);
  EXPECT_EQ(address, 'X');
  EXPECT_EQ(d, 1.25);
  EXPECT_EQ(e, 70000);
  EXPECT_EQ(reader.Result(), 1);
  EXPECT_TRUE(notifier.Messages.empty());
}

TEST_F(DeviceFile, AMissingRequiredKeyIsNamedFailsTheLoadAndTheRestIsStillRead) {
  Put("\"B\", 7\r\n");
  ASSERT_TRUE(reader.Open("QV_PARX.TXT"));
  int16_t a = 5, b = 0;
  reader.Required("A", a);
  reader.Required("B", b);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(reader.Result(), -1);
  EXPECT_EQ(notifier.LastText(), "Parameter A not found in " + folder.File("QV_PARX.TXT"));
}

TEST_F(DeviceFile, OptionalAndMessageKeysTakeTheirDefaults) {
  Put("\"A\", 1\r\n");
  ASSERT_TRUE(reader.Open("QV_PARX.TXT"));
  int32_t init = 5;
  int16_t polarity = 9;
  reader.Optional("XINITVELOCITY", init, int32_t{1000});
  EXPECT_TRUE(notifier.Messages.empty());
  reader.Message("XYOUTOFHOMEUM", polarity, int16_t{0});
  EXPECT_EQ(init, 1000);
  EXPECT_EQ(polarity, 0);
  EXPECT_EQ(notifier.Messages.size(), 1u);
  EXPECT_EQ(reader.Result(), 1);
}

TEST_F(DeviceFile, AMissingFileOrAnEmptyAddressFails) {
  EXPECT_FALSE(reader.Open("QV_NONE.TXT"));
  EXPECT_EQ(reader.Result(), -1);
  Put("\"C\",   \r\n\"N\", abc\r\n");
  ParamReader second(trapar);
  ASSERT_TRUE(second.Open("QV_PARX.TXT"));
  int16_t address = 3;
  second.RequiredAddress("C", address);
  EXPECT_EQ(address, 3);
  EXPECT_EQ(second.Result(), -1);
  ParamReader third(trapar);
  third.Open("QV_PARX.TXT");
  int16_t n = 0;
  third.Optional("N", n, int16_t{4});  // present but not a number: named and failed
  EXPECT_EQ(third.Result(), -1);
}

}  // namespace
}  // namespace qv::test
