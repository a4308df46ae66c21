#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "parameters/NumberText.h"

namespace zel::cli {

// A number as zelctl reads it from its command line, the same for every command and option: a
// plain number is decimal, "0x" (or "0X") marks hexadecimal, and only a decimal number takes a
// leading "-". An empty text is no number here: the desktop fields read an empty field as 0, but
// on a command line an empty argument is almost always an unset shell variable, and sending 0 to
// a drive in its place could start or stop a motor nobody meant to touch.
class NumberArgument {
 public:
  explicit NumberArgument(std::string_view text);

  bool Empty() const { return text_.empty(); }
  bool Hexadecimal() const { return hexadecimal_; }
  parameters::NumberFormat Format() const {
    return hexadecimal_ ? parameters::NumberFormat::kHexadecimal
                        : parameters::NumberFormat::kDecimal;
  }
  // The text with its prefix written "0x", as the converters of the edit fields take it.
  const std::string& Text() const { return text_; }

  // A whole number from min to max (options, parameter numbers, addresses). On failure false and
  // error says why; value is untouched.
  bool ToInteger(int64_t min, int64_t max, int64_t& value, std::string& error) const;

  // The converter's message for text, made plain where the converter's own would mislead: a
  // minus sign on a value without sign is too small, not "not a decimal number".
  std::string Message(parameters::NumberTextError error, bool isSigned) const;

  static constexpr const char* kEmptyMessage =
      "The value is empty: give a number (decimal, or hexadecimal with 0x).";

 private:
  std::string text_;
  bool hexadecimal_ = false;
};

}  // namespace zel::cli
