#include "cli/NumberArgument.h"

namespace zel::cli {

using parameters::NumberText;
using parameters::NumberTextError;

NumberArgument::NumberArgument(std::string_view text) : text_(text) {
  if (text_.size() >= 2 && text_[0] == '0' && (text_[1] == 'x' || text_[1] == 'X')) {
    text_[1] = 'x';
    hexadecimal_ = true;
  }
}

bool NumberArgument::ToInteger(int64_t min, int64_t max, int64_t& value, std::string& error) const {
  if (Empty()) {
    error = kEmptyMessage;
    return false;
  }
  NumberTextError e = NumberTextError::kNone;
  int64_t parsed = 0;
  if (hexadecimal_) {
    uint32_t word = 0;
    e = NumberText::ParseHex32(text_, word);
    parsed = word;
  } else {
    int32_t number = 0;
    e = NumberText::ParseInt32(text_, number);
    parsed = number;
  }
  if (e == NumberTextError::kNone && parsed < min) e = NumberTextError::kTooSmall;
  if (e == NumberTextError::kNone && parsed > max) e = NumberTextError::kTooLarge;
  if (e != NumberTextError::kNone) {
    error = Message(e, min < 0);
    if (e == NumberTextError::kTooSmall || e == NumberTextError::kTooLarge)
      error +=
          " ('" + text_ + "'; from " + std::to_string(min) + " to " + std::to_string(max) + ")";
    return false;
  }
  value = parsed;
  return true;
}

std::string NumberArgument::Message(NumberTextError error, bool isSigned) const {
  if (Empty()) return kEmptyMessage;
  if (!hexadecimal_ && !isSigned && text_.size() > 1 && text_[0] == '-' &&
      text_.find_first_not_of("0123456789", 1) == std::string::npos)
    return NumberText::Message(NumberTextError::kTooSmall) + " (this value takes no sign)";
  return NumberText::Message(error);
}

}  // namespace zel::cli
