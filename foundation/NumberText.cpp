#include "foundation/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace qv {
namespace {

// A finite, non-zero double cut to 15 significant decimal digits: value = 0.d1d2d3... * 10^(point),
// i.e. `point` digits stand before the decimal point (negative: leading zeros after it).
// Trailing zeros of the digits are removed, so `digits` is never empty and never ends in '0'.
struct Decimal15 {
  bool negative = false;
  std::string digits;
  int point = 0;
};

Decimal15 ToDecimal15(double value) {
  Decimal15 d;
  d.negative = std::signbit(value);
  // Scientific form with 14 digits after the point is exactly the 15 significant digits,
  // correctly rounded from the binary value, and the exponent already reflects a carry
  // (9.999...e14 becomes 1.00000000000000e+15).
  std::array<char, 64> buf{};
  const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value),
                                 std::chars_format::scientific, 14);
  const std::string_view text(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
  const std::size_t ePos = text.find('e');
  for (std::size_t i = 0; i < ePos; ++i) {
    if (text[i] != '.') d.digits.push_back(text[i]);
  }
  int exponent = 0;
  std::from_chars(text.data() + ePos + 1 + (text[ePos + 1] == '+' ? 1 : 0),
                  text.data() + text.size(), exponent);
  while (d.digits.size() > 1 && d.digits.back() == '0')
    d.digits.pop_back();
  d.point = exponent + 1;
  return d;
}

std::string ExponentText(int exponent) {
  std::string text = exponent < 0 ? "E-" : "E+";
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) text.push_back('0');
  text += std::to_string(magnitude);
  return text;
}

// The body of the general text (no sign): plain decimals when the 15-digit value lies from
// .0001 up to below 1E+15, else the mantissa with an exponent. `zeroBeforePoint` chooses "0.5"
// over ".5".
std::string GeneralBody(const Decimal15& d, bool zeroBeforePoint) {
  const int exponent = d.point - 1;
  std::string text;
  if (exponent >= 15 || exponent < -4) {
    text.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
      text.push_back('.');
      text.append(d.digits, 1, std::string::npos);
    }
    text += ExponentText(exponent);
    return text;
  }
  const int count = static_cast<int>(d.digits.size());
  if (d.point <= 0) {
    if (zeroBeforePoint) text.push_back('0');
    text.push_back('.');
    text.append(static_cast<std::size_t>(-d.point), '0');
    text += d.digits;
  } else if (d.point >= count) {
    text = d.digits;
    text.append(static_cast<std::size_t>(d.point - count), '0');
  } else {
    text.append(d.digits, 0, static_cast<std::size_t>(d.point));
    text.push_back('.');
    text.append(d.digits, static_cast<std::size_t>(d.point), std::string::npos);
  }
  return text;
}

// Infinity and NaN have no decimal text; these words make sure that such a value never reads
// back as a number (ParseNumber rejects them) instead of turning silently into 0.
std::string NonFiniteText(double value, bool signBlank) {
  if (std::isnan(value)) return signBlank ? " NaN" : "NaN";
  if (value < 0) return "-Inf";
  return signBlank ? " Inf" : "Inf";
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Halves go to the even neighbour. Done by hand so that the result does not depend on the
// floating-point rounding mode of the thread. value - floor(value) is exact for doubles.
double RoundHalfEven(double value) {
  const double low = std::floor(value);
  const double fraction = value - low;
  if (fraction > 0.5) return low + 1.0;
  if (fraction < 0.5) return low;
  return std::fmod(low, 2.0) == 0.0 ? low : low + 1.0;
}

template <class Int>
std::optional<Int> RoundToInt(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = RoundHalfEven(value);
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    return std::nullopt;
  }
  return static_cast<Int>(rounded);
}

}  // namespace

std::string Str(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value, true);
  if (value == 0.0) return " 0";
  const Decimal15 d = ToDecimal15(value);
  return (d.negative ? "-" : " ") + GeneralBody(d, false);
}

std::string GeneralText(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value, false);
  if (value == 0.0) return "0";
  const Decimal15 d = ToDecimal15(value);
  return (d.negative ? "-" : "") + GeneralBody(d, true);
}

std::string FormatFixed(double value, int decimals) {
  // Beyond this many decimals every double is exact anyway at 15 digits.
  decimals = std::clamp(decimals, 0, 340);
  if (!std::isfinite(value) || value == 0.0) {
    return decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
  }
  const Decimal15 d = ToDecimal15(value);

  // Lay the digits out on the places from the integer part's highest digit down to the last
  // decimal kept; places above the 15 digits are zeros. One extra leading place takes a carry.
  const int intPlaces = std::max(d.point, 1);
  const int totalPlaces = intPlaces + decimals;
  std::string places(static_cast<std::size_t>(totalPlaces + 1), '0');  // [0] is the carry place
  const int firstDigitPlace = 1 + intPlaces - d.point;  // index of digits[0] in `places`
  char firstDropped = '0';
  for (int i = 0; i < static_cast<int>(d.digits.size()); ++i) {
    const int at = firstDigitPlace + i;
    if (at <= totalPlaces) {
      places[static_cast<std::size_t>(at)] = d.digits[static_cast<std::size_t>(i)];
    } else {
      if (at == totalPlaces + 1) firstDropped = d.digits[static_cast<std::size_t>(i)];
      break;
    }
  }
  // Half away from zero on the decimal digits: only the first dropped digit decides.
  if (firstDropped >= '5') {
    for (int at = totalPlaces; at >= 0; --at) {
      char& c = places[static_cast<std::size_t>(at)];
      if (c == '9') {
        c = '0';
      } else {
        ++c;
        break;
      }
    }
  }
  std::string intPart = places.substr(0, static_cast<std::size_t>(intPlaces) + 1);
  const std::string fracPart = places.substr(static_cast<std::size_t>(intPlaces) + 1);
  const std::size_t firstNonZero = intPart.find_first_not_of('0');
  intPart = firstNonZero == std::string::npos ? "0" : intPart.substr(firstNonZero);
  const bool allZero = intPart == "0" && fracPart.find_first_not_of('0') == std::string::npos;

  std::string text = (d.negative && !allZero) ? "-" : "";
  text += intPart;
  if (decimals > 0) {
    text.push_back('.');
    text += fracPart;
  }
  return text;
}

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t intStart = pos;
  while (pos < text.size() && IsDigit(text[pos]))
    ++pos;
  const std::string_view intDigits = text.substr(intStart, pos - intStart);
  std::string_view fracDigits;
  if (pos < text.size() && text[pos] == '.') {
    const std::size_t fracStart = ++pos;
    while (pos < text.size() && IsDigit(text[pos]))
      ++pos;
    fracDigits = text.substr(fracStart, pos - fracStart);
  }
  if (intDigits.empty() && fracDigits.empty()) return std::nullopt;

  // The exponent saturates far beyond both the range of a double and the length of any text
  // (whose leading or trailing zeros shift it back), so that no text can overflow it.
  constexpr long long kExponentLimit = 1'000'000'000'000'000;
  long long exponent = 0;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    bool expNegative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      expNegative = text[pos] == '-';
      ++pos;
    }
    const std::size_t expStart = pos;
    while (pos < text.size() && IsDigit(text[pos])) {
      exponent = std::min(exponent * 10 + (text[pos] - '0'), kExponentLimit);
      ++pos;
    }
    if (pos == expStart) return std::nullopt;
    if (expNegative) exponent = -exponent;
  }
  if (pos != text.size()) return std::nullopt;

  // Normalise to 0.<significant digits> * 10^magnitude so that the conversion sees a short,
  // well-formed exponent however many zeros the text carries.
  std::string significant;
  significant.reserve(intDigits.size() + fracDigits.size());
  significant.append(intDigits);
  significant.append(fracDigits);
  const std::size_t firstNonZero = significant.find_first_not_of('0');
  if (firstNonZero == std::string::npos) return 0.0;
  const std::size_t lastNonZero = significant.find_last_not_of('0');
  const long long magnitude =
      exponent + static_cast<long long>(intDigits.size()) - static_cast<long long>(firstNonZero);
  significant = significant.substr(firstNonZero, lastNonZero - firstNonZero + 1);

  constexpr long long kMagnitudeLimit = 400;  // beyond every double in both directions
  if (magnitude < -kMagnitudeLimit) return 0.0;
  if (magnitude > kMagnitudeLimit) return std::nullopt;
  const std::string normal = "0." + significant + "e" + std::to_string(magnitude);
  double result = 0.0;
  const auto res = std::from_chars(normal.data(), normal.data() + normal.size(), result,
                                   std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    if (magnitude <= 0) return 0.0;  // underflow: nearer to zero than any double
    // The 15-digit text of the largest double, 1.79769313486232E+308, lies just above it; it
    // must read back, or a value the program wrote itself could never be loaded again.
    if (magnitude != 309 || significant > std::string_view("179769313486232")) {
      return std::nullopt;
    }
    result = std::numeric_limits<double>::max();
  } else if (res.ec != std::errc() || res.ptr != normal.data() + normal.size()) {
    return std::nullopt;
  }
  return negative ? -result : result;
}

std::optional<int16_t> RoundToInt16(double value) {
  return RoundToInt<int16_t>(value);
}
std::optional<int32_t> RoundToInt32(double value) {
  return RoundToInt<int32_t>(value);
}

std::optional<int16_t> TextToInt16(std::string_view text) {
  const auto number = ParseNumber(text);
  if (!number) return std::nullopt;
  return RoundToInt16(*number);
}

std::optional<int32_t> TextToInt32(std::string_view text) {
  const auto number = ParseNumber(text);
  if (!number) return std::nullopt;
  return RoundToInt32(*number);
}

std::string_view TrimLeadingBlanks(std::string_view text) {
  // Eight blanks at a time: the lines of deeply nested programs are mostly indentation.
  constexpr std::uint64_t kEightBlanks = 0x2020202020202020;
  std::size_t first = 0;
  for (std::uint64_t eight = 0; first + 8 <= text.size(); first += 8) {
    std::memcpy(&eight, text.data() + first, 8);
    if (eight != kEightBlanks) break;
  }
  while (first < text.size() && text[first] == ' ')
    ++first;
  return text.substr(first);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view TrimBlanks(std::string_view text) {
  return TrimTrailingBlanks(TrimLeadingBlanks(text));
}

}  // namespace qv
