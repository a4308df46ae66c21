#include "parameters/CUploadWizardDownloadNetDlg.h"

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "parameters/CParameterFile.h"
#include "parameters/CUploadWizardProgressDlg.h"
#include "parameters/NetworkDownload.h"
#include "ui/Host.h"

namespace zel::parameters {

CUploadWizardDownloadNetDlg::CUploadWizardDownloadNetDlg(UploadWizardDevices& devices,
                                                         const std::vector<std::uint16_t>& modules)
    : Window("Download file to a module"), devices_(devices), moduleIds_(modules) {
  AddList(kIdFiles, {"Filename", "File Version", "Path"});
  AddButton(kIdAssign, "<<").sameRow = true;
  AddList(kIdModules, {"Module", "Module Version", "File to download"}).sameRow = true;
  AddButton(kIdLoad, "&Load File");
  AddButton(kIdDeleteFile, "&Delete File").sameRow = true;
  AddButton(kIdDeleteAllFiles, "Delete All File&s").sameRow = true;
  AddButton(kIdClearModule, "Delete  &File").sameRow = true;
  AddButton(kIdClearAllModules, "Delete &All Files").sameRow = true;
  AddButton(kIdDownload, "D&ownload");
  AddButton(ui::kIdCancel, "Cancel").sameRow = true;
  Find(kIdFiles)->dragFormat = kClipboardFormat;
  Find(kIdModules)->dropFormat = kClipboardFormat;
}

bool CUploadWizardDownloadNetDlg::OnInitDialog() {
  for (std::uint16_t id : moduleIds_) {
    std::string version;
    DeviceIdentity identity;
    std::unique_ptr<ParameterDevice> device =
        devices_.moduleDevice ? devices_.moduleDevice(id) : nullptr;
    if (device && device->ReadVersion(identity)) version = CParameterFile::VersionText(identity);
    assignment_.AddModule(id, version);
  }
  ShowLists();
  return true;
}

void CUploadWizardDownloadNetDlg::ShowLists() {
  std::vector<std::vector<std::string>> files;
  for (const auto& file : assignment_.Files())
    files.push_back({file.name, file.version, file.path});
  std::vector<std::vector<std::string>> modules;
  for (const auto& module : assignment_.Modules())
    modules.push_back({std::to_string(module.id), module.version.empty() ? "???" : module.version,
                       module.file ? assignment_.Files()[*module.file].name : ""});
  const int fileSelection = Selection(kIdFiles);
  const int moduleSelection = Selection(kIdModules);
  SetRows(kIdFiles, files);
  SetRows(kIdModules, modules);
  if (fileSelection < static_cast<int>(files.size())) SetSelection(kIdFiles, fileSelection);
  if (moduleSelection < static_cast<int>(modules.size())) SetSelection(kIdModules, moduleSelection);
}

std::vector<std::uint8_t> CUploadWizardDownloadNetDlg::EncodePath(const std::string& path) {
  files::ArchiveWriter writer;
  writer.WriteString(path);
  return writer.TakeData();
}

bool CUploadWizardDownloadNetDlg::DecodePath(const std::vector<std::uint8_t>& data,
                                             std::string& path) {
  try {
    files::ArchiveReader reader(data);
    std::string read = reader.ReadString();
    if (!reader.AtEnd()) return false;
    path = std::move(read);
    return true;
  } catch (const files::ArchiveError&) {
    return false;
  }
}

std::vector<std::uint8_t> CUploadWizardDownloadNetDlg::DragData(int id, int row) const {
  const auto& files = assignment_.Files();
  if (id != kIdFiles || row < 0 || static_cast<std::size_t>(row) >= files.size()) return {};
  return EncodePath(files[static_cast<std::size_t>(row)].path);
}

void CUploadWizardDownloadNetDlg::OnDrop(int id, int row, const std::vector<std::uint8_t>& data) {
  if (id != kIdModules) return;
  std::string path;
  if (!DecodePath(data, path)) return;
  if (row >= 0) SetSelection(kIdModules, row);
  const std::string why = assignment_.AssignPath(path, row);
  ShowLists();
  if (!why.empty()) Refuse(why);
}

void CUploadWizardDownloadNetDlg::Refuse(const std::string& why) {
  ui::CurrentHost().ShowMessage(why);
}

void CUploadWizardDownloadNetDlg::Assign(int fileRow, int moduleRow) {
  const std::string why = assignment_.Assign(fileRow, moduleRow);
  ShowLists();
  if (!why.empty()) Refuse(why);
}

void CUploadWizardDownloadNetDlg::LoadFiles() {
  ui::FileRequest request;
  request.title = "Select all files to import!";
  request.filter = CParameterFile::kFilter;
  request.defaultExtension = "udf";
  request.multiple = true;
  if (!ui::CurrentHost().AskOpenFile(request)) return;
  std::vector<std::string> paths = request.paths;
  if (paths.empty() && !request.path.empty()) paths.push_back(request.path);
  for (const std::string& path : paths) {
    std::string error;
    if (!assignment_.AddFile(path, error)) ui::CurrentHost().ShowMessage(error + "\n" + path);
  }
  ShowLists();
}

void CUploadWizardDownloadNetDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind == ui::EventKind::DoubleClick && (id == kIdFiles || id == kIdModules)) {
    Assign(Selection(kIdFiles), Selection(kIdModules));
    return;
  }
  if (kind != ui::EventKind::Clicked) return;
  switch (id) {
    case kIdLoad:
      LoadFiles();
      break;
    case kIdAssign:
      Assign(Selection(kIdFiles), Selection(kIdModules));
      break;
    case kIdDeleteFile:
      assignment_.DeleteFile(Selection(kIdFiles));
      ShowLists();
      break;
    case kIdDeleteAllFiles:
      assignment_.DeleteAllFiles();
      ShowLists();
      break;
    case kIdClearModule:
      assignment_.ClearModule(Selection(kIdModules));
      ShowLists();
      break;
    case kIdClearAllModules:
      assignment_.ClearAllModules();
      ShowLists();
      break;
    case kIdDownload:
      Download();
      break;
    default:
      break;
  }
}

void CUploadWizardDownloadNetDlg::Download() {
  std::vector<NetworkDownload::Entry> entries;
  for (const auto& module : assignment_.Modules())
    entries.push_back({module.id, assignment_.PathFor(module.id)});
  NetworkDownload download(*devices_.table, devices_.moduleDevice, std::move(entries));
  CUploadWizardProgressDlg::Work work;
  work.steps = static_cast<int>(assignment_.Modules().size());
  work.done = [&] { return download.Done(); };
  work.step = [&] { download.Step(); };
  work.stop = [&] { download.Stop(); };
  work.current = [&] { return download.CurrentText(); };
  {
    CUploadWizardProgressDlg progress("Download Parameter", "Parameter will be downloaded!",
                                      std::move(work));
    progress.DoModal();
    // A dialog closed from outside stops between modules, as Stop does.
    if (!download.Done()) download.Stop();
  }
  report_ = download.Report();
  ui::CurrentHost().ShowText("Download Parameter", report_);
  EndDialog(ui::kResultOk);
}

}  // namespace zel::parameters
