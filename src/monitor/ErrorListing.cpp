#include "monitor/ErrorListing.h"

#include <cstdio>

namespace zel::monitor {

const char* ErrorListing::MapName(ErrorWordKind kind) {
  return kind == ErrorWordKind::Can ? "CanErrorMap" : "StandardErrorMap";
}

std::vector<ErrorRow> ErrorListing::List(uint16_t errorWord, ErrorWordKind kind,
                                         const ErrorLookup& lookup) {
  std::vector<ErrorRow> rows;
  if ((errorWord & 0x8000u) == 0) return rows;
  for (int bit = 0; bit < 15; ++bit) {
    if (((errorWord >> bit) & 1u) == 0) continue;
    std::optional<ErrorRow> found;
    if (lookup) found = lookup(MapName(kind), bit);
    if (found) {
      found->bit = bit;
      rows.push_back(*found);
      continue;
    }
    char name[32];
    std::snprintf(name, sizeof name, kind == ErrorWordKind::Can ? "CanError %i" : "Error %i", bit);
    rows.push_back(ErrorRow{bit, name, "Unknown Error"});
  }
  return rows;
}

std::string ErrorListing::CountText(size_t rows) {
  if (rows == 0) return "OKAY: There is no error!";
  if (rows == 1) return "ATTENTION: There is 1 error!";
  char text[64];
  std::snprintf(text, sizeof text, "ATTENTION: There are %i errors!", static_cast<int>(rows));
  return text;
}

}  // namespace zel::monitor
