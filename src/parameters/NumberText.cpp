#include "parameters/NumberText.h"

#include <cstdint>
#include <cstdio>

namespace zel::parameters {
namespace {

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string_view SkipLeadingZeros(std::string_view digits) {
  const auto first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view{} : digits.substr(first);
}

NumberTextError ParseHex(std::string_view text, std::size_t maxDigits, std::uint32_t& value) {
  if (text.empty()) {
    value = 0;
    return NumberTextError::kNone;
  }
  // Only the lower-case prefix is hexadecimal text: in "0X1F" the X is simply not a digit.
  if (text.starts_with("0x")) {
    text.remove_prefix(2);
    if (text.empty()) return NumberTextError::kNotHexadecimal;
  }
  for (char c : text) {
    if (HexDigitValue(c) < 0) return NumberTextError::kNotHexadecimal;
  }
  const std::string_view significant = SkipLeadingZeros(text);
  if (significant.size() > maxDigits) return NumberTextError::kTooLarge;
  std::uint32_t result = 0;
  for (char c : significant) {
    result = result * 16 + static_cast<std::uint32_t>(HexDigitValue(c));
  }
  value = result;
  return NumberTextError::kNone;
}

// Ten significant digits at most, so the magnitude always fits 64 bits before the range check.
NumberTextError ParseDecimal(std::string_view text, bool allowMinus, std::size_t maxDigits,
                             std::int64_t lowest, std::int64_t highest, std::int64_t& value) {
  if (text.empty()) {
    value = 0;
    return NumberTextError::kNone;
  }
  const bool negative = allowMinus && text.front() == '-';
  if (negative) {
    text.remove_prefix(1);
    if (text.empty()) return NumberTextError::kNotDecimal;
  }
  for (char c : text) {
    if (!IsDecimalDigit(c)) return NumberTextError::kNotDecimal;
  }
  const std::string_view significant = SkipLeadingZeros(text);
  if (significant.size() > maxDigits) {
    return negative ? NumberTextError::kTooSmall : NumberTextError::kTooLarge;
  }
  std::int64_t magnitude = 0;
  for (char c : significant) magnitude = magnitude * 10 + (c - '0');
  const std::int64_t result = negative ? -magnitude : magnitude;
  if (result < lowest) return NumberTextError::kTooSmall;
  if (result > highest) return NumberTextError::kTooLarge;
  value = result;
  return NumberTextError::kNone;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[32];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

}  // namespace

NumberTextError NumberText::ParseHex16(std::string_view text, std::uint16_t& value) {
  std::uint32_t result = 0;
  const NumberTextError error = ParseHex(text, 4, result);
  if (error == NumberTextError::kNone) value = static_cast<std::uint16_t>(result);
  return error;
}

NumberTextError NumberText::ParseHex32(std::string_view text, std::uint32_t& value) {
  return ParseHex(text, 8, value);
}

NumberTextError NumberText::ParseInt16(std::string_view text, std::int16_t& value) {
  std::int64_t result = 0;
  const NumberTextError error = ParseDecimal(text, true, 5, -32768, 32767, result);
  if (error == NumberTextError::kNone) value = static_cast<std::int16_t>(result);
  return error;
}

NumberTextError NumberText::ParseUInt16(std::string_view text, std::uint16_t& value) {
  std::int64_t result = 0;
  const NumberTextError error = ParseDecimal(text, false, 5, 0, 65535, result);
  if (error == NumberTextError::kNone) value = static_cast<std::uint16_t>(result);
  return error;
}

NumberTextError NumberText::ParseInt32(std::string_view text, std::int32_t& value) {
  std::int64_t result = 0;
  const NumberTextError error =
      ParseDecimal(text, true, 10, INT64_C(-2147483648), INT64_C(2147483647), result);
  if (error == NumberTextError::kNone) value = static_cast<std::int32_t>(result);
  return error;
}

NumberTextError NumberText::ParseUInt32(std::string_view text, std::uint32_t& value) {
  std::int64_t result = 0;
  const NumberTextError error = ParseDecimal(text, false, 10, 0, INT64_C(4294967295), result);
  if (error == NumberTextError::kNone) value = static_cast<std::uint32_t>(result);
  return error;
}

std::string NumberText::Message(NumberTextError error) {
  switch (error) {
    case NumberTextError::kNone:
      return {};
    case NumberTextError::kNotHexadecimal:
      return "Value is not a hexadecimal number!";
    case NumberTextError::kNotDecimal:
      return "Value is not a decimal number!";
    case NumberTextError::kTooLarge:
      return "Value is too large!";
    case NumberTextError::kTooSmall:
      return "Value is too small!";
  }
  return {};
}

std::string NumberText::FormatHex16(std::uint16_t value) {
  return Format("0x%.4X", static_cast<unsigned>(value));
}

std::string NumberText::FormatHex32(std::uint32_t value) {
  return Format("0x%.8X", static_cast<unsigned>(value));
}

std::string NumberText::FormatInt16(std::int16_t value) {
  return Format("%hi", value);
}

std::string NumberText::FormatUInt16(std::uint16_t value) {
  return Format("%hu", value);
}

std::string NumberText::FormatInt32(std::int32_t value) {
  return Format("%i", value);
}

std::string NumberText::FormatUInt32(std::uint32_t value) {
  return Format("%u", static_cast<unsigned>(value));
}

}  // namespace zel::parameters
