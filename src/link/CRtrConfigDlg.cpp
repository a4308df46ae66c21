#include "link/CRtrConfigDlg.h"

#include <cstdio>

#include "link/CAddRtrParameterDlg.h"
#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::link {

using parameters::NumberText;

namespace {

std::string ActiveText(int channel, bool active) {
  return "Channel " + std::to_string(channel) + (active ? " active" : " inactive");
}

}  // namespace

CRtrConfigDlg::CRtrConfigDlg(RtrConfiguration& rtr, const parameters::CParameterTable& table,
                             bool readOnly)
    : Window(
          (readOnly ? "RTR Parameter of CAN Module " : "RTR Channel Configuration of CAN Module ") +
          std::to_string(rtr.Destination())),
      rtr_(rtr),
      table_(table),
      readOnly_(readOnly) {
  for (int c = 0; c < RtrConfiguration::kChannels; ++c) {
    const int o = 10 * c;
    AddGroup(0, "Channel " + std::to_string(c));
    AddLabel(0, "RTR ID");
    AddEdit(kIdRtrId + o, NumberText::FormatHex16(rtr.At(c).id)).sameRow = true;
    AddCheckBox(kIdActive + o, ActiveText(c, rtr.At(c).active)).sameRow = true;
    SetValue(kIdActive + o, rtr.At(c).active ? 1 : 0);
    AddList(kIdList + o, {"Parameter", "Name"});
    if (!readOnly) {
      AddButton(kIdAdd + o, "&AddRTRParameter");
      AddButton(kIdDelete + o, "&Delete Parameter").sameRow = true;
      AddButton(kIdDeleteAll + o, "D&elete All").sameRow = true;
    }
    ShowChannel(c);
  }
  if (!readOnly) AddButton(kIdStore, "&Store");
  AddButton(ui::kIdOk, readOnly ? "OK" : "Close");
}

void CRtrConfigDlg::ShowChannel(int c) {
  const int o = 10 * c;
  std::vector<std::vector<std::string>> rows;
  for (const RtrEntry& entry : rtr_.At(c).entries) {
    if (entry.AddressMode()) {
      char address[16];
      std::snprintf(address, sizeof address, "0x%.4x", entry.param);
      rows.push_back({address, "(" + table_.NameForAddress(entry.param) + ")"});
    } else {
      rows.push_back({table_.Name(static_cast<int16_t>(entry.param)), ""});
    }
  }
  SetRows(kIdList + o, rows);
  // An active channel's identifier is not to be changed under it.
  Enable(kIdRtrId + o, !readOnly_ && !rtr_.At(c).active);
  Enable(kIdActive + o, !readOnly_);
}

void CRtrConfigDlg::OnEvent(int id, ui::EventKind /*kind*/) {
  const int c = (id >= kIdRtrId + 10 && id < kIdStore) ? 1 : 0;
  const int base = id - 10 * c;
  switch (base) {
    case kIdActive:
      rtr_.At(c).active = Value(id) != 0;
      SetText(id, ActiveText(c, rtr_.At(c).active));
      ShowChannel(c);
      break;
    case kIdAdd: {
      if (!rtr_.MayAdd(c)) break;
      CAddRtrParameterDlg dlg("Add RTR Parameter channel " + std::to_string(c) + " of CAN Module " +
                                  std::to_string(rtr_.Destination()),
                              c, table_);
      if (dlg.DoModal() == ui::kResultOk && rtr_.Add(dlg.Entry())) ShowChannel(c);
      break;
    }
    case kIdDelete:
      if (rtr_.Remove(c, Selection(kIdList + 10 * c))) ShowChannel(c);
      break;
    case kIdDeleteAll:
      rtr_.Clear(c);
      ShowChannel(c);
      break;
    default:
      if (id == kIdStore) Store();
      break;
  }
}

void CRtrConfigDlg::Store() {
  for (int c = 0; c < RtrConfiguration::kChannels; ++c) {
    uint16_t id = 0;
    const auto error = NumberText::ParseHex16(Text(kIdRtrId + 10 * c), id);
    if (error != parameters::NumberTextError::kNone) {
      ui::CurrentHost().ShowMessage(NumberText::Message(error));
      SetFocus(kIdRtrId + 10 * c);
      return;
    }
    rtr_.At(c).id = id;
  }
  storeRan_ = true;
  stored_ = rtr_.Store();
  EndDialog(ui::kResultOk);
}

}  // namespace zel::link
