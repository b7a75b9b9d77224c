// Keyword files are loaded under three rules: required, optional and message keys. The rules on
// whole files are checked through the stage and wheel files; these are the reader's own cases.
#include "foundation/KeywordReader.h"

#include <gtest/gtest.h>

#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test {
namespace {

TEST(DeviceFile, AMissingFileAnEmptyAddressOrANonNumberFails) {
  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
  trapar.SetParDir(folder.Dir());
  KeywordReader missing(trapar);
  EXPECT_FALSE(missing.Open("QV_NONE.TXT"));
  EXPECT_EQ(missing.Result(), -1);
  PutBytes(folder.File("QV_PARX.TXT"), "\"C\",   \r\n\"N\", abc\r\n");
  KeywordReader address(trapar);
  ASSERT_TRUE(address.Open("QV_PARX.TXT"));
  int16_t contr = 3;
  address.RequiredAddress("C", contr);
  EXPECT_EQ(contr, 3);
  EXPECT_EQ(address.Result(), -1);
  KeywordReader number(trapar);
  ASSERT_TRUE(number.Open("QV_PARX.TXT"));
  int16_t n = 0;
  number.Optional("N", n, int16_t{4});  // present but not a number: named and failed
  EXPECT_EQ(number.Result(), -1);
}

}  // namespace
}  // namespace qv::test
