#pragma once

#include <string_view>

namespace zel::sim {

// An unsigned number typed by a person or a script: decimal, or hexadecimal after "0x". False
// for anything else, a sign included, and for values above `max`.
bool ParseUnsigned(std::string_view text, unsigned long max, unsigned long& value);

}  // namespace zel::sim
