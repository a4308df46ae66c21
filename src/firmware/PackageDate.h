#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel::firmware {

// Dates in the text members of a firmware package ("Date" of the summary and of every error map
// entry): two-digit day, month, hour and minute and a four-digit year at fixed places,
// "DD.MM.YYYY HH:MM". The separators were never written consistently ("HH.MM" in the error maps),
// so they are not checked. The time is local time, held as seconds since 1970.
class PackageDate {
 public:
  // False when the text is shorter than 16 characters, a field is not all digits, a field is
  // out of its calendar range, or the moment does not fit 32 bits.
  static bool Parse(std::string_view text, std::int32_t& seconds);
  // "%d.%m.%Y %H:%M" in local time.
  static std::string Format(std::int32_t seconds);
};

}  // namespace zel::firmware
