#include "firmware/PackageDate.h"

#include <ctime>
#include <limits>

namespace zel::firmware {

namespace {

bool Field(std::string_view text, std::size_t at, std::size_t length, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + length; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

bool PackageDate::Parse(std::string_view text, std::int32_t& seconds) {
  if (text.size() < 16) return false;
  int day = 0, month = 0, year = 0, hour = 0, minute = 0;
  if (!Field(text, 0, 2, day) || !Field(text, 3, 2, month) || !Field(text, 6, 4, year) ||
      !Field(text, 11, 2, hour) || !Field(text, 14, 2, minute))
    return false;
  // mktime would quietly roll "31.02." over into March; a date that is no date is unconvertible.
  if (day < 1 || day > 31 || month < 1 || month > 12 || year < 1970 || hour > 23 || minute > 59)
    return false;
  std::tm moment{};
  moment.tm_mday = day;
  moment.tm_mon = month - 1;
  moment.tm_year = year - 1900;
  moment.tm_hour = hour;
  moment.tm_min = minute;
  moment.tm_isdst = -1;
  const std::time_t t = std::mktime(&moment);
  if (t == static_cast<std::time_t>(-1) || moment.tm_mday != day) return false;
  if (t < std::numeric_limits<std::int32_t>::min() || t > std::numeric_limits<std::int32_t>::max())
    return false;
  seconds = static_cast<std::int32_t>(t);
  return true;
}

std::string PackageDate::Format(std::int32_t seconds) {
  const std::time_t t = seconds;
  std::tm moment{};
  if (localtime_r(&t, &moment) == nullptr) return {};
  char text[32];
  const std::size_t n = std::strftime(text, sizeof text, "%d.%m.%Y %H:%M", &moment);
  return std::string(text, n);
}

}  // namespace zel::firmware
