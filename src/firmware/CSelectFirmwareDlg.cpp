#include "firmware/CSelectFirmwareDlg.h"

#include "firmware/FirmwarePackage.h"

namespace zel::firmware {

CSelectFirmwareDlg::CSelectFirmwareDlg(const std::string& packagePath)
    : Window(FirmwareVersionChoice::kTitle) {
  loaded_ = choice_.Load(packagePath);
  AddLabel(kIdHeading, FirmwareVersionChoice::kHeading);
  AddCombo(kIdVersions, choice_.Entries());
  int id = kIdFirstField;
  for (const auto& field : choice_.Fields()) {
    AddLabel(0, field.first);
    AddLabel(id++, {}).sameRow = true;
  }
  AddButton(kIdReadMe, "ReadMe");
  AddOkCancel();
}

bool CSelectFirmwareDlg::OnInitDialog() {
  SetSelection(kIdVersions, choice_.Selected());
  ShowFields();
  return true;
}

void CSelectFirmwareDlg::ShowFields() {
  int id = kIdFirstField;
  for (const auto& field : choice_.Fields()) SetText(id++, field.second);
}

void CSelectFirmwareDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdVersions && kind == ui::EventKind::Selection) {
    choice_.Select(Selection(kIdVersions));
    ShowFields();
  } else if (id == kIdReadMe && kind == ui::EventKind::Clicked) {
    choice_.ShowReadMe();
  }
}

void CSelectFirmwareDlg::OnOK() {
  // With nothing to choose OK cannot confirm a version; it ends the dialog like Cancel.
  std::string directory;
  EndDialog(choice_.Chosen(directory) ? ui::kResultOk : ui::kResultCancel);
}

bool CSelectFirmwareDlg::Choose(const std::string& packagePath, std::string& directory) {
  CSelectFirmwareDlg dlg(packagePath);
  if (!dlg.Loaded()) return false;
  if (dlg.DoModal() != ui::kResultOk) return false;
  return dlg.Choice().Chosen(directory);
}

void CSelectFirmwareDlg::Install() {
  FirmwarePackage::SetVersionChooser(&CSelectFirmwareDlg::Choose);
}

}  // namespace zel::firmware
