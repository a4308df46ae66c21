#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/CErrorMapEntry.h"
#include "monitor/ErrorListing.h"
#include "ui/Window.h"

namespace zel::monitor {

class CErrorMapList;

// One row of an error list together with the entry that "&Error Info" explains for it. The
// entry is taken when the row is listed, so a map reload meanwhile cannot make a row explain
// another error than the one it names.
struct ListedError {
  ErrorRow row;
  CErrorMapEntry entry;
};

// The rows of one error word with their entries: the error maps' entries where a map knows the
// bit, the "Unknown Error" entry named like the row otherwise.
std::vector<ListedError> ListErrors(std::uint16_t errorWord, ErrorWordKind kind,
                                    const CErrorMapList* maps);

// "Error Info": the explanation of one error entry, read-only.
class CErrorInfoDlg final : public ui::Window {
 public:
  static constexpr int kIdName = 1300;
  static constexpr int kIdMeaning = 1301;
  static constexpr int kIdCausedBy = 1302;
  static constexpr int kIdRemark = 1303;
  static constexpr int kIdCrossReference = 1304;
  static constexpr int kIdEffect = 1305;

  explicit CErrorInfoDlg(const CErrorMapEntry& entry);

  // Shows the dialog for the entry; false (nothing shown) when the entry has nothing to show.
  static bool Run(const CErrorMapEntry& entry);
  // What the lists' "&Error Info" does with the selected row (-1: none): "No error item
  // selected!" or "No info available!" when there is nothing to show.
  static void ShowForRow(const std::vector<ListedError>& rows, int selection);
};

}  // namespace zel::monitor
