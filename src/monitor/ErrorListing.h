#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zel::monitor {

// One row of an error list: what the "Read Error" dialogs, the status view and the command-line
// tool show for a set bit of an error word.
struct ErrorRow {
  int bit = 0;
  std::string name;
  std::string meaning;
};

// Which of the ZEL's two error words a list is made from; it selects the error map and the
// fallback name of a bit no map knows.
enum class ErrorWordKind { Standard, Can };

// Looks a bit up in the error map of the kind's name ("StandardErrorMap" or "CanErrorMap");
// empty when no map knows the bit (or no maps are loaded).
using ErrorLookup = std::function<std::optional<ErrorRow>(const std::string& mapName, int bit)>;

class ErrorListing {
 public:
  // Bit 15 is the word's summary flag: clear means no error, whatever the other bits hold, and
  // it is never a row itself. Rows follow bits 0..14 in order.
  static std::vector<ErrorRow> List(uint16_t errorWord, ErrorWordKind kind,
                                    const ErrorLookup& lookup = {});
  // "OKAY: There is no error!", "ATTENTION: There is 1 error!", "ATTENTION: There are %i errors!"
  static std::string CountText(size_t rows);
  static const char* MapName(ErrorWordKind kind);
};

}  // namespace zel::monitor
