// Number texts, and the one encoding rule for every text: UTF-8, with bytes that are not valid
// UTF-8 read as the Windows-1252 code page that older files and terminals used.
#include <gtest/gtest.h>

#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <locale>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/NumberText.h"
#include "foundation/TextEncoding.h"

namespace qv {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();

// `convert` turns each of `from` into the element at the same place of `to`.
template <class F, class From, class To>
void ExpectEach(F convert, const std::vector<From>& from, const std::vector<To>& to) {
  ASSERT_EQ(from.size(), to.size());
  for (size_t i = 0; i < from.size(); ++i) {
    EXPECT_EQ(convert(from[i]), to[i]) << "from " << from[i];
  }
}
using Texts = std::vector<std::string>;
using Values = std::vector<double>;
const auto kStr = [](double v) { return Str(v); };
auto Fixed(int decimals) {
  return [decimals](double v) { return FormatFixed(v, decimals); };
}

TEST(Str, WritesTheGeneralFormWithASignBlankNoLeadingZeroAndExponentsPastFifteenDigits) {
  ExpectEach(kStr, Values{0.0, -0.0, 0.5, -0.25, 125.0, -1234.5678, 0.1 + 0.2, 0.0001},
             Texts{" 0", " 0", " .5", "-.25", " 125", "-1234.5678", " .3", " .0001"});
  ExpectEach(kStr, Values{-2.0 / 3.0, 999999999999999.0},
             Texts{"-.666666666666667", " 999999999999999"});
  // Exponent form outside fifteen digits and below one ten-thousandth.
  ExpectEach(kStr, Values{1e15, 1.5e16, 1e100, -2.5e-7, 0.000099999, 1e-100},
             Texts{" 1E+15", " 1.5E+16", " 1E+100", "-2.5E-07", " 9.9999E-05", " 1E-100"});
  // Rounding to 15 digits carries into the sixteenth place.
  ExpectEach(
      kStr, Values{1234567890123456.0, 999999999999999.9, kMax, kTiny},
      Texts{" 1.23456789012346E+15", " 1E+15", " 1.79769313486232E+308", " 4.94065645841247E-324"});
  // GeneralText: a zero before the point and no sign blank.
  ExpectEach([](double v) { return GeneralText(v); },
             Values{-0.0, 0.5, -0.25, 12.0, 1.0 / 3.0, 1e15, -2.5e-7},
             Texts{"0", "0.5", "-0.25", "12", "0.333333333333333", "1E+15", "-2.5E-07"});
  // Non-finite values give words that never read back as numbers.
  for (const double v : {kInf, -kInf, kNaN}) {
    const std::string text = Str(v);
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(ParseNumber(text).has_value()) << text;
    EXPECT_FALSE(ParseNumber(GeneralText(v)).has_value()) << GeneralText(v);
  }
  EXPECT_EQ(Str(-kInf)[0], '-');
  EXPECT_EQ(Str(kInf)[0], ' ');
}

TEST(Str, EveryFiniteDoubleReadsBackToTheSameText) {
  // 15 significant digits always survive text -> double -> text, so a value written to a file
  // and read again is written the same way the next time.
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 200000; ++i) {
    const uint64_t bits = random();
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    const std::string text = Str(value);
    const auto back = ParseNumber(text);
    ASSERT_TRUE(back.has_value()) << text;
    ASSERT_EQ(Str(*back), text);
    ASSERT_EQ(GeneralText(*back), GeneralText(value));
  }
}

TEST(FormatFixed, RoundsHalvesAwayFromZeroOnTheFifteenDigitFormCarriesAndPads) {
  // 2.675 is 2.67499999999999982236431605997495353221893310546875 in binary; its 15-digit form
  // ends in 5, which rounds up.
  ExpectEach(Fixed(2), Values{2.675, -0.125, 1.005, 0.0049999, 2.0 / 3.0},
             Texts{"2.68", "-0.13", "1.01", "0.00", "0.67"});
  ExpectEach(Fixed(1), Values{1.35, -0.05}, Texts{"1.4", "-0.1"});
  ExpectEach(Fixed(0), Values{0.5, 2.5, -2.5}, Texts{"1", "3", "-3"});
  // Carries, pads, and never writes minus zero.
  ExpectEach(Fixed(2), Values{-0.0, -0.004, -0.005, 999.999, 12.0, 1.5e-7},
             Texts{"0.00", "0.00", "-0.01", "1000.00", "12.00", "0.00"});
  ExpectEach(Fixed(1), Values{-0.04, -9.96, 1234567.891}, Texts{"0.0", "-10.0", "1234567.9"});
  EXPECT_EQ(FormatFixed(1e20, 1), "100000000000000000000.0");
  EXPECT_EQ(FormatFixed(1.2345678901234567e19, 0), "12345678901234600000");
  // Digits past the fifteenth are zeros: the decimal form is cut before it is padded.
  ExpectEach(Fixed(20), Values{0.1, 1.0 + std::numeric_limits<double>::epsilon()},
             Texts{"0.10000000000000000000", "1.00000000000000000000"});
  // Non-finite values and odd decimal counts do not break it.
  EXPECT_EQ(FormatFixed(kNaN, 2), "0.00");
  EXPECT_EQ(FormatFixed(-kInf, 1), "0.0");
  EXPECT_EQ(FormatFixed(3.7, -1), "4");
  const std::string huge = FormatFixed(kMax, 2);
  EXPECT_EQ(huge.substr(0, 15), "179769313486232");
  EXPECT_EQ(huge.size(), 309u + 3u);
}

TEST(ParseNumber, ReadsDecimalNumbersWithSignFractionExponentAndBlanksAndNothingElse) {
  const std::string zeros(100000, '0');
  // Str writes the largest double as 1.79769313486232E+308, which lies above it; refusing it
  // would make a file that the program wrote itself unreadable.
  ExpectEach([](const std::string& text) { return ParseNumber(text); },
             Texts{".5", "5.", "-.25", "+3", "1e-3", "2.5E+2", "   -7.5e1  ", "007", "1e-999",
                   " 1.79769313486232E+308", "-1.79769313486232E+308", " 4.94065645841247E-324",
                   "0." + zeros + "1e100001", zeros + "25", "1" + std::string(41, '0') + "e-42"},
             Values{0.5, 5.0, -0.25, 3.0, 0.001, 250.0, -75.0, 7.0, 0.0, kMax, -kMax, kTiny, 1.0,
                    25.0, 0.1});
  Texts rejected = {
      "",    " ",   ".",    "-",     "1e+",    "e5",  "1,5", "0x10", "inf",  "nan",
      "1 2", "+-1", "1..2", "1e5.5", "-1e999", "1d5", "\t1", "- 1",  "1e 5", "1E+15x",
  };
  rejected.insert(rejected.end(), {std::string("1\0", 2), "1" + zeros, "1.8e308",
                                   "1.79769313486233E+308", "1e99999999999999999999999999"});
  for (const std::string& text : rejected) {
    EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
  }
}

// Whatever the floating point rounding mode; from a text, the number is parsed first.
TEST(RoundToInt, HalvesGoToTheEvenNeighbourAndTheRangeIsChecked) {
  using R = std::vector<std::optional<int16_t>>;
  using R32 = std::vector<std::optional<int32_t>>;
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const auto round = [](double v) { return RoundToInt16(v); };
  const auto round32 = [](double v) { return RoundToInt32(v); };
  const int saved = std::fegetround();
  for (const int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(std::fesetround(mode), 0);
    ExpectEach(round, Values{2.5, 3.5, -2.5, -0.5, 2.5000001, -7.6}, R{2, 4, -2, 0, 3, -8});
    ExpectEach(round, Values{32767.4, 32766.5, 32767.5, -32768.5, -32768.6},
               R{32767, 32766, std::nullopt, -32768, std::nullopt});
    ExpectEach(round, Values{kNaN, -kInf}, R(2, std::nullopt));
    ExpectEach(round32, Values{-3.5, 40000.5, 2147483647.4, 2147483646.5, -2147483648.5},
               R32{-4, 40000, 2147483647, 2147483646, kMin});
    ExpectEach(round32, Values{2147483647.5, -2147483649.0, kNaN, 9007199254740993.0},
               R32(4, std::nullopt));
  }
  std::fesetround(saved);
  ExpectEach([](const std::string& t) { return TextToInt16(t); },
             Texts{" 3.5 ", "-32768.5", "1e4", "32768", "abc"},
             R{4, -32768, 10000, std::nullopt, std::nullopt});
  ExpectEach([](const std::string& t) { return TextToInt32(t); },
             Texts{"40000", "2147483648", "1,5"}, R32{40000, std::nullopt, std::nullopt});
}

TEST(TrimBlanks, TrimsBlanksButNotTabs) {
  ExpectEach([](const std::string& t) { return TrimBlanks(t); }, Texts{"  a b  ", " \t ", "    "},
             Texts{"a b", "\t", ""});
  EXPECT_EQ(
      (Texts{std::string(TrimLeadingBlanks("  a  ")), std::string(TrimTrailingBlanks("  a  ")),
             std::string(TrimLeadingBlanks("   ")), std::string(TrimTrailingBlanks("   "))}),
      (Texts{"a  ", "  a", "", ""}));
}

// A user's locale with a decimal comma must not leak into any number text.
TEST(NumberText, IgnoresAGermanLocale) {
  const std::string savedC = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  }
  const std::locale savedCpp = std::locale::global(std::locale("de_DE.UTF-8"));
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");

  EXPECT_EQ(std::tuple(Str(-1234.5678), Str(1.5e16), GeneralText(12.3), FormatFixed(-1234.56, 1),
                       ParseNumber("-2.5E-07"), ParseNumber("0,5")),
            std::tuple("-1234.5678", " 1.5E+16", "12.3", "-1234.6", -2.5e-7, std::nullopt));

  std::locale::global(savedCpp);
  std::setlocale(LC_ALL, savedC.c_str());
}

TEST(TextEncoding, ValidUtf8StaysAndEverythingElseIsReadAsWindows1252) {
  // {case, bytes, valid, DecodeText's whole text one way, RepairUtf8's byte by byte}
  const std::tuple<std::string, std::string, bool, std::string, std::string> cases[] = {
      {"utf-8", "caf\xC3\xA9 \xCE\xB1\xF0\x9F\x94\xAC", true,
       "caf\xC3\xA9 \xCE\xB1\xF0\x9F\x94\xAC", "caf\xC3\xA9 \xCE\xB1\xF0\x9F\x94\xAC"},
      // e acute, the euro sign, an unassigned byte, y diaeresis.
      {"legacy", "caf\xE9 \x80\x81\xFF", false, "caf\xC3\xA9 \xE2\x82\xAC\xC2\x81\xC3\xBF",
       "caf\xC3\xA9 \xE2\x82\xAC\xC2\x81\xC3\xBF"},
      // The whole text turns legacy, only the stray byte is repaired.
      {"utf-8 and a stray byte", "\xC3\xA9\xE9", false, "\xC3\x83\xC2\xA9\xC3\xA9",
       "\xC3\xA9\xC3\xA9"},
      {"overlong", "\xC0\xAF", false, "\xC3\x80\xC2\xAF", "\xC3\x80\xC2\xAF"},
      {"surrogate", "\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC",
       "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC",
       "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
      {"cut short", "ab\xE2\x82", false, "ab\xC3\xA2\xE2\x80\x9A", "ab\xC3\xA2\xE2\x80\x9A"},
      {"bad third byte", "\xE2\x82\x41", false, "\xC3\xA2\xE2\x80\x9A\x41",
       "\xC3\xA2\xE2\x80\x9A\x41"},
      // A byte-order mark is dropped from a whole text, not from within one.
      {"byte-order mark", "\xEF\xBB\xBFVer", true, "Ver", "\xEF\xBB\xBFVer"},
      {"zero byte", std::string("a\0b", 3), true, std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& [name, bytes, valid, decoded, repaired] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(IsValidUtf8(bytes), valid);
    EXPECT_EQ(DecodeText(bytes), decoded);
    EXPECT_EQ(RepairUtf8(bytes), repaired);
  }
  std::string all;
  for (int byte = 0x80; byte <= 0xFF; ++byte)
    all += static_cast<char>(byte);
  EXPECT_TRUE(IsValidUtf8(Windows1252ToUtf8(all)));
  EXPECT_EQ(Windows1252ToUtf8(all).substr(0, 3), "\xE2\x82\xAC");
}

}  // namespace
}  // namespace qv
