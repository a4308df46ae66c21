#include "link/AddrVariableText.h"

namespace zel::link {

using parameters::NumberText;
using parameters::NumberTextError;

std::string AddrVariableText::Format(AddrVariableFormat format, uint32_t value, bool hexadecimal) {
  if (hexadecimal)
    return Is32Bit(format) ? NumberText::FormatHex32(value)
                           : NumberText::FormatHex16(static_cast<uint16_t>(value));
  switch (format) {
    case AddrVariableFormat::kSigned16:
      return NumberText::FormatInt16(static_cast<int16_t>(value));
    case AddrVariableFormat::kUnsigned16:
      return NumberText::FormatUInt16(static_cast<uint16_t>(value));
    case AddrVariableFormat::kSigned32:
      return NumberText::FormatInt32(static_cast<int32_t>(value));
    case AddrVariableFormat::kUnsigned32:
      break;
  }
  return NumberText::FormatUInt32(value);
}

NumberTextError AddrVariableText::Parse(AddrVariableFormat format, std::string_view text,
                                        bool hexadecimal, uint32_t& value) {
  NumberTextError error = NumberTextError::kNone;
  if (hexadecimal) {
    if (Is32Bit(format)) return NumberText::ParseHex32(text, value);
    uint16_t word = 0;
    error = NumberText::ParseHex16(text, word);
    if (error == NumberTextError::kNone) value = word;
  } else if (Is32Bit(format)) {
    if (!IsSigned(format)) return NumberText::ParseUInt32(text, value);
    int32_t signedValue = 0;
    error = NumberText::ParseInt32(text, signedValue);
    if (error == NumberTextError::kNone) value = static_cast<uint32_t>(signedValue);
  } else if (IsSigned(format)) {
    int16_t signedWord = 0;
    error = NumberText::ParseInt16(text, signedWord);
    // The ZEL takes the word's bit pattern.
    if (error == NumberTextError::kNone) value = static_cast<uint16_t>(signedWord);
  } else {
    uint16_t word = 0;
    error = NumberText::ParseUInt16(text, word);
    if (error == NumberTextError::kNone) value = word;
  }
  return error;
}

}  // namespace zel::link
