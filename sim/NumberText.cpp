#include "sim/NumberText.h"

namespace zel::sim {

bool ParseUnsigned(std::string_view text, unsigned long max, unsigned long& value) {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  unsigned long result = 0;
  for (char c : text) {
    unsigned digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    // Checked before each step, so no input can wrap around.
    if (digit > max || result > (max - digit) / base) return false;
    result = result * base + digit;
  }
  value = result;
  return true;
}

}  // namespace zel::sim
