#pragma once
// Number texts and rounding shared by files, replies and wire frames. Everything here is
// locale-free: "." is the only decimal separator, whatever the user's locale says.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// General decimal text of up to 15 significant digits, without a leading zero before the point
// (.5, -.25), exponent form past that range (1E+15, 1E-05), and a blank in the sign position
// when the number is not negative (" 125", "-3"). This is the text of keyword files and of
// every reply that shows a bare number.
std::string Str(double value);

// The same general text without the sign blank and with a zero before the point ("0.5"), as a
// label shows a number.
std::string GeneralText(double value);

// Fixed decimals: FormatFixed(x, 1) is the "0.0" pattern, FormatFixed(x, 2) the "0.00" pattern.
// At least one digit before the point, a minus sign for negatives, halves away from zero on the
// number's 15-digit decimal form; a value that rounds to zero is written without a sign.
std::string FormatFixed(double value, int decimals);

// A decimal number with optional sign, fraction and exponent, blanks around it allowed.
// Nothing else is a number: no hex, no thousands separators, no inf or nan.
std::optional<double> ParseNumber(std::string_view text);

// Rounding to the nearest integer with halves going to the even neighbour. Empty when the
// rounded value does not fit, or the value is not finite.
std::optional<int16_t> RoundToInt16(double value);
std::optional<int32_t> RoundToInt32(double value);

// ParseNumber followed by the rounding above.
std::optional<int16_t> TextToInt16(std::string_view text);
std::optional<int32_t> TextToInt32(std::string_view text);

// Blanks only (not tabs) are trimmed, as everywhere in the command language and the files.
std::string_view TrimBlanks(std::string_view text);
std::string_view TrimLeadingBlanks(std::string_view text);
std::string_view TrimTrailingBlanks(std::string_view text);

}  // namespace qv
