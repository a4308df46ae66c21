#include "monitor/CErrorInfoDlg.h"

#include <map>
#include <optional>
#include <utility>

#include "monitor/CErrorMapList.h"
#include "ui/Host.h"

namespace zel::monitor {

std::vector<ListedError> ListErrors(std::uint16_t errorWord, ErrorWordKind kind,
                                    const CErrorMapList* maps) {
  // The entries are kept from the very lookup that named the rows: the maps may be reloaded on
  // another thread between two lookups.
  std::map<int, CErrorMapEntry> found;
  ErrorLookup lookup;
  if (maps) {
    lookup = [maps, &found](const std::string& mapName, int bit) -> std::optional<ErrorRow> {
      if (bit < 0) return std::nullopt;
      std::optional<CErrorMapEntry> entry = maps->Lookup(mapName, static_cast<std::uint32_t>(bit));
      if (!entry) return std::nullopt;
      ErrorRow row{bit, entry->name, entry->meaning};
      found[bit] = std::move(*entry);
      return row;
    };
  }
  std::vector<ListedError> listed;
  for (ErrorRow& row : ErrorListing::List(errorWord, kind, lookup)) {
    auto entry = found.find(row.bit);
    CErrorMapEntry shown =
        entry != found.end() ? entry->second : CErrorMapList::UnknownEntry(row.name);
    listed.push_back({std::move(row), std::move(shown)});
  }
  return listed;
}

CErrorInfoDlg::CErrorInfoDlg(const CErrorMapEntry& entry) : Window("Error Info") {
  std::vector<std::pair<std::string, std::string>> fields;
  CErrorMapList::ErrorInfo(entry, fields);
  int id = kIdName;
  for (auto& [caption, text] : fields) {
    AddLabel(0, caption);
    ui::Control& edit = AddEdit(id++, std::move(text));
    edit.sameRow = true;
    edit.readOnly = true;
  }
  AddButton(ui::kIdOk, "OK");
}

bool CErrorInfoDlg::Run(const CErrorMapEntry& entry) {
  if (!entry.HasInfo()) return false;
  CErrorInfoDlg dlg(entry);
  dlg.DoModal();
  return true;
}

void CErrorInfoDlg::ShowForRow(const std::vector<ListedError>& rows, int selection) {
  if (selection < 0 || static_cast<std::size_t>(selection) >= rows.size()) {
    ui::CurrentHost().ShowMessage("No error item selected!");
    return;
  }
  if (!Run(rows[static_cast<std::size_t>(selection)].entry))
    ui::CurrentHost().ShowMessage("No info available!");
}

}  // namespace zel::monitor
