#include "monitor/CSysStatusDlg.h"

#include <utility>

#include "link/StatusGroup.h"
#include "monitor/StatusWordText.h"

namespace zel::monitor {

CSysStatusDlg::CSysStatusDlg(link::StatusGroup& status)
    : CSysStatusDlg("ReadSysStatus",
                    [&status](std::uint16_t& word) { return status.ReadSysStatus(word); }) {}

CSysStatusDlg::CSysStatusDlg(std::string title, ReadWord read)
    : CWordDlg(std::move(title), std::move(read), "Failed refreshing status!") {
  for (int bit = 0; bit < StatusWordText::kBits; ++bit) {
    Add(kIdFirstLamp + bit, ui::ControlKind::Lamp);
    AddLabel(kIdFirstText + bit, StatusWordText::BitText(0, bit)).sameRow = true;
  }
  AddButton(kIdRefresh, "Manual &Refresh");
  AddCheckBox(kIdAutoRefresh, "Auto ").sameRow = true;
  AddButton(ui::kIdOk, "OK");
}

void CSysStatusDlg::ShowWord(std::uint16_t word) {
  word_ = word;
  for (int bit = 0; bit < StatusWordText::kBits; ++bit) {
    SetValue(kIdFirstLamp + bit, StatusWordText::IsSet(word, bit) ? 1 : 0);
    SetText(kIdFirstText + bit, StatusWordText::BitText(word, bit));
  }
}

}  // namespace zel::monitor
