#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel::parameters {

// How a parameter value is shown in an edit field.
enum class NumberFormat { kHexadecimal = 0, kDecimal = 1 };

enum class NumberTextError { kNone, kNotHexadecimal, kNotDecimal, kTooLarge, kTooSmall };

// The text conversions behind every numeric edit field and the definition files. The rules are
// the ones the ZEL's users have always typed against:
//  - hexadecimal: an optional lower-case "0x", then digits 0-9, A-F, a-f;
//  - decimal: digits, with one leading "-" for the signed forms only;
//  - leading zeros (after "0x" or "-") do not count towards the digit limit (4 or 8 hex digits,
//    5 or 10 decimal digits), so "0x0000ABCD" is a valid 16-bit value;
//  - an empty text, or one of only zeros, is 0; blanks are not allowed anywhere; a lone "0x" or
//    "-" is no number.
// Too many digits or a value beyond the type's range is kTooSmall for a negative text and
// kTooLarge otherwise. On failure the output is left untouched. No messages are shown here; the
// caller decides whether to show Message(error).
class NumberText {
 public:
  static NumberTextError ParseHex16(std::string_view text, std::uint16_t& value);
  static NumberTextError ParseHex32(std::string_view text, std::uint32_t& value);
  static NumberTextError ParseInt16(std::string_view text, std::int16_t& value);
  static NumberTextError ParseUInt16(std::string_view text, std::uint16_t& value);
  static NumberTextError ParseInt32(std::string_view text, std::int32_t& value);
  static NumberTextError ParseUInt32(std::string_view text, std::uint32_t& value);

  // The information-box text for an error; empty for kNone.
  static std::string Message(NumberTextError error);

  static std::string FormatHex16(std::uint16_t value);   // "0x%.4X"
  static std::string FormatHex32(std::uint32_t value);   // "0x%.8X"
  static std::string FormatInt16(std::int16_t value);    // "%hi"
  static std::string FormatUInt16(std::uint16_t value);  // "%hu"
  static std::string FormatInt32(std::int32_t value);    // "%i"
  static std::string FormatUInt32(std::uint32_t value);  // "%u"
};

}  // namespace zel::parameters
