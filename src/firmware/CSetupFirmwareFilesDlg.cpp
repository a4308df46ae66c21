#include "firmware/CSetupFirmwareFilesDlg.h"

#include <string>
#include <utility>

#include "ui/Host.h"

namespace zel::firmware {

CSetupFirmwareFilesDlg::CSetupFirmwareFilesDlg(std::vector<FirmwareInfo> records)
    : Window(kTitle), list_(std::move(records)) {
  AddLabel(0, FirmwareRegistrationList::kIntroText);
  AddList(kIdList,
          {FirmwareRegistrationList::kColumns.begin(), FirmwareRegistrationList::kColumns.end()})
      .columnShares = {FirmwareRegistrationList::kColumnSixtieths.begin(),
                       FirmwareRegistrationList::kColumnSixtieths.end()};
  AddButton(kIdAdd, "Add &Firmware");
  AddButton(kIdDelete, "&Delete Firmware").sameRow = true;
  AddButton(kIdDeleteAll, "Delete &All").sameRow = true;
  AddOkCancel();
}

bool CSetupFirmwareFilesDlg::OnInitDialog() {
  ShowRows();
  return true;
}

void CSetupFirmwareFilesDlg::ShowRows() {
  std::vector<std::vector<std::string>> rows;
  for (const FirmwareInfo& record : list_.Records()) {
    const auto texts = FirmwareRegistrationList::RowTexts(record);
    rows.emplace_back(texts.begin(), texts.end());
  }
  SetRows(kIdList, std::move(rows));
  // Rows have moved; an old selection would name another record.
  SetSelection(kIdList, -1);
}

void CSetupFirmwareFilesDlg::AddFirmware() {
  ui::FileRequest request;
  request.title = "Open";
  request.filter = kFileFilter;
  request.defaultExtension = "bin";
  if (!ui::CurrentHost().AskOpenFile(request)) return;
  if (list_.AddFirmware(request.path)) ShowRows();
}

void CSetupFirmwareFilesDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  switch (id) {
    case kIdAdd:
      AddFirmware();
      break;
    case kIdDelete:
      if (list_.DeleteSelected(Selection(kIdList))) ShowRows();
      break;
    case kIdDeleteAll:
      list_.DeleteAll();
      ShowRows();
      break;
    default:
      break;
  }
}

bool CSetupFirmwareFilesDlg::Edit(std::vector<FirmwareInfo>& records) {
  CSetupFirmwareFilesDlg dlg(records);
  if (dlg.DoModal() != ui::kResultOk) return false;
  records = dlg.Records();
  return true;
}

void CSetupFirmwareFilesDlg::Install(FirmwareRegistry& registry) {
  registry.SetRegistrationEditor(&CSetupFirmwareFilesDlg::Edit);
}

}  // namespace zel::firmware
