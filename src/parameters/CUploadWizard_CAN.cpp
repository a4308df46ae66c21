#include "parameters/CUploadWizard_CAN.h"

#include "parameters/CUploadWizardDownloadNetDlg.h"
#include "parameters/CUploadWizardProgressDlg.h"
#include "parameters/NumberText.h"
#include "parameters/ParameterTransfer.h"
#include "ui/Host.h"

namespace zel::parameters {

namespace {

// The introduction a technician sees before working on the network.
class CUploadWizardIntroDlg final : public ui::Window {
 public:
  CUploadWizardIntroDlg() : Window("Introduction") {
    AddLabel(1,
             "Module: the parameters of the one module whose ID is given are uploaded or "
             "downloaded through the ZEL at the RS232 port.");
    AddLabel(2,
             "Network: search the modules first; an upload then writes one file per module "
             "(\"_ModuleId_\" and its ID in the name), a download asks which file goes to which "
             "module.");
    AddLabel(3, "Module ID, service ID, RSDO and TSDO ID always keep the module's own values.");
    AddButton(ui::kIdOk, "OK");
  }
};

}  // namespace

CUploadWizard_CAN::CUploadWizard_CAN(UploadWizardDevices& devices)
    : CUploadWizardPage("CAN", devices) {
  AddLabel(kIdGate, kGateText);
  AddRadio(kIdModuleMode, "&Module", 1);
  AddRadio(kIdNetworkMode, "&Network", 1).sameRow = true;
  AddLabel(kIdModuleIdLabel, "Module ID:");
  AddEdit(kIdModuleId, "1").sameRow = true;
  AddButton(kIdSearch, " Se&arch Modules");
  AddCheckBox(kIdIntroduction, "Show Introduction").sameRow = true;
  AddList(kIdModules, {"Module"});
  AddLabel(kIdCountLabel, "Number of modules:");
  AddLabel(kIdCount, "0").sameRow = true;
  AddLabel(kIdReport, "");
  SetValue(kIdModuleMode, 1);
  SetValue(kIdIntroduction, 1);
}

void CUploadWizard_CAN::EnableAll(bool enabled) {
  for (const ui::Control& control : Controls())
    if (control.id != kIdGate) Enable(control.id, enabled);
  Show(kIdGate, !enabled);
}

bool CUploadWizard_CAN::OnSetActive() {
  DeviceIdentity identity;
  const bool read = devices_.serial && devices_.serial->ReadVersion(identity);
  if (!read || identity.softwareVersion < kFirstVersion) {
    EnableAll(false);
    return true;
  }
  EnableAll(true);
  if (Value(kIdIntroduction) != 0) {
    CUploadWizardIntroDlg intro;
    intro.DoModal();
  }
  return true;
}

void CUploadWizard_CAN::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdSearch && kind == ui::EventKind::Clicked) {
    Search();
    return;
  }
  CUploadWizardPage::OnEvent(id, kind);
}

void CUploadWizard_CAN::Search() {
  // An ID counts as absent only when the gateway took the question and no module replied; a
  // line that stops answering ends the search there, since every further ID would be taken for
  // an absent module.
  NetworkLine* line = devices_.line;
  std::uint16_t deadAt = 0;
  ModuleSearch search([&](std::uint16_t id) {
    if (!line) return false;
    const NetworkLine::Reach reach = line->AskModule(id);
    if (reach == NetworkLine::Reach::kLineDead) deadAt = id;
    return reach == NetworkLine::Reach::kAnswered;
  });
  CUploadWizardProgressDlg::Work work;
  work.steps = search.Steps();
  work.done = [&] { return deadAt != 0 || search.Done(); };
  work.step = [&] { search.Step(); };
  work.stop = [&] { search.Stop(); };
  work.counter = [&] { return search.CounterText(); };
  {
    CUploadWizardProgressDlg progress(
        "Search Modules", "Modules in the network will be searched ...", std::move(work));
    progress.DoModal();
  }
  if (deadAt != 0) {
    // The modules found before the line went are no picture of the network: an upload over
    // them would leave the others out without a word.
    found_.clear();
    ShowFound();
    ui::CurrentHost().ShowMessage(line->DeadLine() + "\nThe search stopped at module ID " +
                                  std::to_string(deadAt) +
                                  "; search the modules again once the line answers.");
    return;
  }
  found_ = search.Found();
  ShowFound();
}

void CUploadWizard_CAN::ShowFound() {
  std::vector<std::vector<std::string>> rows;
  for (std::uint16_t id : found_) rows.push_back({std::to_string(id)});
  SetRows(kIdModules, rows);
  SetText(kIdCount, std::to_string(found_.size()));
}

void CUploadWizard_CAN::ShowReport(const std::string& report) {
  report_ = report;
  SetText(kIdReport, report);
}

ParameterDevice* CUploadWizard_CAN::Device(std::unique_ptr<ParameterDevice>& holder) {
  std::uint16_t id = 0;
  if (NumberText::ParseUInt16(Text(kIdModuleId), id) != NumberTextError::kNone || id < 1 ||
      id > ModuleSearch::kLastId) {
    ui::CurrentHost().ShowMessage(kBadModuleId);
    return nullptr;
  }
  if (devices_.moduleDevice) holder = devices_.moduleDevice(id);
  if (!holder) ui::CurrentHost().ShowMessage(ParameterTransfer::kCommandFailed);
  return holder.get();
}

std::string CUploadWizard_CAN::UploadedText(const ParameterDevice& device) const {
  return "System Parameters from module number " + std::to_string(device.Module()) + " are stored!";
}

void CUploadWizard_CAN::Upload() {
  if (!NetworkMode()) {
    CUploadWizardPage::Upload();
    return;
  }
  if (found_.empty()) {
    ui::CurrentHost().ShowMessage(kNoModules);
    return;
  }
  std::string path;
  if (!AskUploadFile(path)) return;
  CAdditionalInformationDlg::Ask(visum_, comment_);
  NetworkUpload upload(*devices_.table, devices_.moduleDevice, found_, path, visum_, comment_);
  // A module that failed may have failed because the line went: then the upload ends there,
  // naming the line, instead of failing module after module.
  NetworkLine* line = devices_.line;
  if (line) upload.SetLineCheck([line] { return line->DeadLine(); });
  CUploadWizardProgressDlg::Work work;
  work.steps = static_cast<int>(found_.size());
  work.done = [&] { return upload.Done(); };
  work.step = [&] { upload.Step(); };
  work.stop = [&] { upload.Stop(); };
  work.current = [&] { return upload.CurrentText(); };
  {
    CUploadWizardProgressDlg progress("Upload Parameter", "Parameter will be uploaded!",
                                      std::move(work));
    progress.DoModal();
    if (!upload.Done()) upload.Stop();
  }
  if (!upload.Files().empty()) {
    savedTo_ = path;
    SetText(kIdSavedTo, path);
  }
  std::string report = upload.Report();
  if (!upload.BrokenOff().empty())
    report += "\nUploaded " + std::to_string(upload.Succeeded()) + " of " +
              std::to_string(found_.size()) + " modules; the others were not reached.\n";
  ShowReport(report);
  ui::CurrentHost().ShowText("Upload Parameter", report);
}

void CUploadWizard_CAN::DownloadFile() {
  if (!NetworkMode()) {
    CUploadWizardPage::DownloadFile();
    return;
  }
  if (found_.empty()) {
    ui::CurrentHost().ShowMessage(kNoModules);
    return;
  }
  CUploadWizardDownloadNetDlg dlg(devices_, found_);
  if (dlg.DoModal() == ui::kResultOk) ShowReport(dlg.Report());
}

}  // namespace zel::parameters
