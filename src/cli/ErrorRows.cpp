#include "cli/ErrorRows.h"

namespace zel::cli {

std::vector<JsonWriter> AppendErrorRows(const std::vector<monitor::ErrorRow>& rows,
                                        std::vector<std::string>& lines) {
  std::vector<JsonWriter> json;
  for (const auto& row : rows) {
    lines.push_back("  " + row.name + "  " + row.meaning);
    json.push_back(
        JsonWriter().Add("bit", row.bit).Add("name", row.name).Add("meaning", row.meaning));
  }
  lines.push_back(monitor::ErrorListing::CountText(rows.size()));
  return json;
}

}  // namespace zel::cli
