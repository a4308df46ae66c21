#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/ServiceGroup.h"
#include "parameters/NumberText.h"

namespace zel::link {

// The text of an address variable's value in one of its four data formats, hexadecimal or
// decimal. The "EditAddrVariable" dialog and the command-line tool share it, so a value reads
// and parses the same wherever a technician types it.
class AddrVariableText {
 public:
  static bool Is32Bit(AddrVariableFormat format) { return ServiceGroup::WidthOf(format) == 1; }
  static bool IsSigned(AddrVariableFormat format) {
    return format == AddrVariableFormat::kSigned16 || format == AddrVariableFormat::kSigned32;
  }

  // "0x%.4X"/"0x%.8X" by width, else decimal by sign and width.
  static std::string Format(AddrVariableFormat format, uint32_t value, bool hexadecimal);
  // The value's bit pattern as the ZEL takes it (16-bit values in the low word); value is left
  // untouched on failure.
  static parameters::NumberTextError Parse(AddrVariableFormat format, std::string_view text,
                                           bool hexadecimal, uint32_t& value);
};

}  // namespace zel::link
