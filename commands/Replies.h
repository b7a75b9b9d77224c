#pragma once
// The fixed reply texts of the command language.
#include <string_view>

namespace qv {

inline constexpr std::string_view kOk = "OK ";
inline constexpr std::string_view kError = "Error ";
inline constexpr std::string_view kOff = "Off ";
inline constexpr std::string_view kMissingArgument = "Error Missing Argument ";
inline constexpr std::string_view kNoValue = "Error No Value ";
inline constexpr std::string_view kBadValue = "Error Bad Value ";
inline constexpr std::string_view kNotANumber = "Error Not a Number";
inline constexpr std::string_view kUnknownCommand = "Error Unknown command";

}  // namespace qv
