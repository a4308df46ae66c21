#include "parameters/CUploadWizardPage.h"

#include <filesystem>

#include "parameters/CParameterFile.h"
#include "parameters/CUploadWizardProgressDlg.h"
#include "parameters/CZelParameterDlg.h"
#include "parameters/ParameterFileOutput.h"
#include "parameters/ParameterTransfer.h"
#include "ui/Host.h"

namespace zel::parameters {

CUploadWizardPage::CUploadWizardPage(std::string title, UploadWizardDevices& devices)
    : PropertyPage(std::move(title)), devices_(devices) {
  AddButton(kIdUpload, "&Upload");
  AddLabel(kIdSavedToLabel, "Saved to:").sameRow = true;
  AddLabel(kIdSavedTo, "").sameRow = true;
  AddButton(kIdDownloadDefaults, "&Download");
  AddButton(kIdDownloadFile, "Down&load");
  AddLabel(kIdDirectoryLabel, "new parameters from this directory:").sameRow = true;
  AddEdit(kIdDirectory);
  AddButton(kIdBrowse, "...").sameRow = true;
  AddButton(kIdEdit, "&Edit Parameter File");
  AddButton(kIdPrint, "&Print Parameter File").sameRow = true;
  AddButton(kIdExport, "&Save Parameter from *.udf to Textfile (*.txt)");
}

void CUploadWizardPage::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  std::string path;
  switch (id) {
    case kIdUpload:
      Upload();
      break;
    case kIdDownloadDefaults:
      DownloadDefaults();
      break;
    case kIdDownloadFile:
      DownloadFile();
      break;
    case kIdBrowse:
      if (AskParameterFile(path)) SetText(kIdDirectory, path);
      break;
    case kIdEdit:
      EditFile();
      break;
    case kIdPrint:
      if (AskParameterFile(path)) ParameterFileOutput::Print(path);
      break;
    case kIdExport:
      if (AskParameterFile(path)) ParameterFileOutput::SaveAsText(path);
      break;
    default:
      break;
  }
}

bool CUploadWizardPage::AskUploadFile(std::string& path) {
  ui::FileRequest request;
  request.filter = CParameterFile::kFilter;
  request.defaultExtension = "udf";
  if (!savedTo_.empty())
    request.initialDirectory = std::filesystem::path(savedTo_).parent_path().string();
  if (!ui::CurrentHost().AskSaveFile(request) || request.path.empty()) return false;
  path = request.path;
  return true;
}

bool CUploadWizardPage::AskParameterFile(std::string& path) {
  ui::FileRequest request;
  request.filter = CParameterFile::kFilter;
  request.defaultExtension = "udf";
  if (!ui::CurrentHost().AskOpenFile(request) || request.path.empty()) return false;
  path = request.path;
  return true;
}

std::string CUploadWizardPage::UploadedText(const ParameterDevice&) const {
  return ParameterTransfer::kStored;
}

void CUploadWizardPage::Upload() {
  std::string path;
  if (!AskUploadFile(path)) return;
  std::unique_ptr<ParameterDevice> holder;
  ParameterDevice* device = Device(holder);
  if (!device) return;
  CAdditionalInformationDlg::Ask(visum_, comment_);
  ParameterTransfer transfer(*devices_.table, *device);
  CParameterFile file;
  const ParameterTransfer::Outcome outcome = transfer.Upload(path, visum_, comment_, file);
  if (outcome.ok) {
    savedTo_ = path;
    SetText(kIdSavedTo, path);
  }
  ui::CurrentHost().ShowMessage(outcome.ok ? UploadedText(*device) : outcome.message);
}

void CUploadWizardPage::DownloadDefaults() {
  std::unique_ptr<ParameterDevice> holder;
  ParameterDevice* device = Device(holder);
  if (!device) return;
  ParameterTransfer transfer(*devices_.table, *device);
  ui::CurrentHost().ShowMessage(transfer.DownloadDefaults().message);
}

void CUploadWizardPage::DownloadFile() {
  const std::string path = Text(kIdDirectory);
  if (path.empty()) {
    ui::CurrentHost().ShowMessage(kSelectDirectory);
    return;
  }
  CParameterFile file;
  std::string error;
  const CParameterFile::ReadResult read = file.Read(path, error);
  if (read != CParameterFile::ReadResult::kOk) {
    ui::CurrentHost().ShowMessage(error);
    // An old file is said in its own words; a file that cannot be read at all failed the
    // command, and the reason alone would not say that nothing was downloaded.
    if (read != CParameterFile::ReadResult::kTooOld)
      ui::CurrentHost().ShowMessage(ParameterTransfer::kCommandFailed);
    return;
  }
  std::unique_ptr<ParameterDevice> holder;
  ParameterDevice* device = Device(holder);
  if (!device) return;
  ParameterTransfer transfer(*devices_.table, *device);
  const ParameterTransfer::DownloadReport report =
      transfer.Download(file, ParameterTransfer::FailedWrite::kContinueAndSave, true);
  // A failed write has had its box already; the last word is the outcome.
  ui::CurrentHost().ShowMessage(report.outcome.message);
}

void CUploadWizardPage::EditFile() {
  std::string path;
  if (!AskParameterFile(path)) return;
  std::unique_ptr<ParameterDevice> holder;
  ParameterDevice* device = Device(holder);
  if (!device) return;
  DeviceIdentity identity;
  if (!device->ReadVersion(identity)) {
    ui::CurrentHost().ShowMessage(ParameterTransfer::kCommandFailed);
    return;
  }
  ParameterTransfer transfer(*devices_.table, *device);
  const std::string caption =
      "EditAllTempParam from " + std::filesystem::path(path).filename().string();
  const ParameterTransfer::Outcome outcome =
      transfer.EditFile(path, [&](SystemParameterBlock& block) {
        const std::uint16_t module = device->Module();
        const std::function<bool(std::uint16_t)>& enter = devices_.enterServiceMode;
        const ParameterSheetSetup setup(
            caption, [&enter, module] { return enter && enter(module); },
            ParameterSheetSetup::Defaults::kAllowed);
        std::unique_ptr<CZelParameterDlg> sheet =
            CZelParameterDlg::Create(setup, *devices_.table, *device, identity.softwareVersion);
        sheet->Fill(block);
        sheet->SetApplying(false);
        sheet->SetForceEnable(false);
        if (sheet->DoModal() != ui::kResultOk) return false;
        block = sheet->Gather();
        return true;
      });
  if (!outcome.message.empty()) ui::CurrentHost().ShowMessage(outcome.message);
}

CUploadWizard_RS232::CUploadWizard_RS232(UploadWizardDevices& devices)
    : CUploadWizardPage("RS232", devices) {}

ParameterDevice* CUploadWizard_RS232::Device(std::unique_ptr<ParameterDevice>&) {
  return devices_.serial;
}

}  // namespace zel::parameters
