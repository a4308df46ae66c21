#include "firmware/CBrowseFirmwareDlg.h"

#include <cstddef>

#include "ui/Host.h"

namespace zel::firmware {

CBrowseFirmwareDlg::CBrowseFirmwareDlg(const FirmwareInfo& wanted)
    : Window(kTitle), model_(wanted) {
  AddLabel(0, FirmwareBrowseModel::kIntroText);
  AddLabel(0, {});
  for (const char* column : FirmwareBrowseModel::kColumns) AddLabel(0, column).sameRow = true;
  AddLabel(0, "ZEL:");
  for (int i = 0; i < 4; ++i) AddLabel(kIdFirstZelCell + i, {}).sameRow = true;
  AddLabel(0, "FILE:");
  for (int i = 0; i < 4; ++i) AddLabel(kIdFirstFileCell + i, {}).sameRow = true;
  AddLabel(0, FirmwareBrowseModel::kSelectText);
  AddEdit(kIdFileName);
  AddButton(kIdBrowse, "...").sameRow = true;
  AddButton(kIdDetails, "&Details");
  AddButton(ui::kIdOk, "OK").sameRow = true;
}

bool CBrowseFirmwareDlg::OnInitDialog() {
  const auto zel = model_.ZelRow();
  for (std::size_t i = 0; i < zel.size(); ++i)
    SetText(kIdFirstZelCell + static_cast<int>(i), zel[i]);
  SetText(kIdFileName, model_.InitialFolder());
  ShowFileRow();
  return true;
}

void CBrowseFirmwareDlg::ShowFileRow() {
  const auto file = model_.FileRow();
  const auto differs = model_.FileDiffers();
  for (std::size_t i = 0; i < file.size(); ++i) {
    const int id = kIdFirstFileCell + static_cast<int>(i);
    SetText(id, file[i]);
    SetColour(id, differs[i] ? kDifferentColour : ui::kDefaultColour);
  }
}

void CBrowseFirmwareDlg::BrowseFile() {
  ui::FileRequest request;
  request.title = "Open";
  request.filter = kFileFilter;
  request.defaultExtension = "bin";
  request.initialDirectory = Text(kIdFileName);
  if (!ui::CurrentHost().AskOpenFile(request)) return;
  // The model has shown its message when the file did not do; the row shows whatever was read.
  model_.ChooseFile(request.path);
  if (model_.HasFile()) SetText(kIdFileName, model_.FileName());
  ShowFileRow();
}

void CBrowseFirmwareDlg::OnEvent(int id, ui::EventKind kind) {
  // "&Details" has no action.
  if (id == kIdBrowse && kind == ui::EventKind::Clicked) BrowseFile();
}

void CBrowseFirmwareDlg::OnOK() {
  if (model_.Check()) EndDialog(ui::kResultOk);
}

bool CBrowseFirmwareDlg::Browse(const FirmwareInfo& wanted, FirmwareInfo& chosen) {
  CBrowseFirmwareDlg dlg(wanted);
  if (dlg.DoModal() != ui::kResultOk) return false;
  chosen = dlg.Model().Chosen();
  return true;
}

void CBrowseFirmwareDlg::Install(FirmwareRegistry& registry) {
  registry.SetBrowseHook(&CBrowseFirmwareDlg::Browse);
}

}  // namespace zel::firmware
