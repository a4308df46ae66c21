#include "firmware/CDownloadDlg.h"

#include <cstdio>
#include <filesystem>

#include "firmware/DownloadVerdict.h"
#include "firmware/DriveDisableCheck.h"
#include "firmware/FirmwarePackage.h"
#include "link/ZelCommunication.h"
#include "ui/Host.h"

namespace zel::firmware {

namespace {

std::string VersionLines(uint16_t software, uint16_t hardware, uint16_t number, uint16_t version) {
  char text[200];
  std::snprintf(text, sizeof text,
                "Software Version\t= 0x%.4x\nHardware Version\t= 0x%.4x\nApplication "
                "Number\t= 0x%.4x\nApplication Version\t= 0x%.4x",
                software, hardware, number, version);
  return text;
}

bool EndsWithBin(const std::string& path) {
  return path.size() >= 3 && path.compare(path.size() - 3, 3, "bin") == 0;
}

}  // namespace

CDownloadDlg::CDownloadDlg(link::ZelCommunication& communication, DownloadController& controller)
    : Window("Download "), communication_(communication), controller_(controller) {
  AddLabel(kIdFileLabel, "&File to be downloaded");
  AddEdit(kIdFile);
  AddButton(kIdBrowse, "...");
  AddLabel(kIdMethodLabel, "&Download method");
  AddCombo(kIdMethod, {"Standard", "TI serial booting loader", "JTAG booting loader"});
  AddLabel(kIdDurationLabel, "Expected Duration:");
  AddLabel(kIdDuration, "???");
  AddList(kIdHistory, {"History"});
  AddLabel(kIdStatus, "Processing...");
  AddProgress(kIdProgress, 0, 100);
  AddButton(kIdStart, "&Start");
  AddButton(kIdStop, "Sto&p");
  AddButton(kIdFileSettings, "&File Settings");
  AddButton(kIdReadVersion, "Read Version");
  AddLabel(kIdCritical, "Warning! This is a critical action!");
  AddOkCancel();
  // Each event the worker queues wakes the dialog on the UI thread.
  queue_.SetWakeUp([this] { Post(kMsgDownloadEvents); });
}

CDownloadDlg::~CDownloadDlg() {
  controller_.Stop();
  Finish();
}

bool CDownloadDlg::OnInitDialog() {
  SetText(kIdFile, controller_.PackagePath());
  if (controller_.Selected() < 0) controller_.Select(0);
  SetSelection(kIdMethod, controller_.Selected());
  Show(kIdCritical, false);
  SetColour(kIdCritical, kCriticalColour);
  Enable(kIdStop, false);
  ShowDuration();
  return true;
}

void CDownloadDlg::ShowDuration() {
  SetText(kIdDuration, controller_.ExpectedDurationText());
}

void CDownloadDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdMethod && kind == ui::EventKind::Selection) {
    controller_.Select(Selection(kIdMethod));
    ShowDuration();
    return;
  }
  if (id == kIdFile && kind == ui::EventKind::Changed) {
    // A new name needs its version chosen again.
    controller_.SetPackage(Text(kIdFile), "");
    return;
  }
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdBrowse) Browse();
  if (id == kIdStart) Start();
  if (id == kIdStop) controller_.RequestStop();
  if (id == kIdFileSettings) FileSettings();
  if (id == kIdReadVersion) ReadVersion();
}

void CDownloadDlg::Browse() {
  ui::FileRequest request;
  request.filter = "ZEL Firmware Files (*.bin)|*.bin||";
  request.defaultExtension = "bin";
  if (!controller_.PackagePath().empty())
    request.initialDirectory = std::filesystem::path(controller_.PackagePath()).parent_path();
  if (!ui::CurrentHost().AskOpenFile(request)) return;
  SetText(kIdFile, request.path);
  std::string directory;
  FirmwarePackage package;
  if (!package.Open(request.path) || !package.ChooseVersion(directory, true)) directory.clear();
  controller_.SetPackage(request.path, directory);
}

bool CDownloadDlg::CheckHardware(bool& firmwareAnswered) {
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  firmwareAnswered = communication_.Parameter().ReadVersion(software, hardware, number, version);
  if (!hardwareCheck_) return true;
  FirmwareInfo info;
  FirmwarePackage package;
  if (!package.Open(controller_.PackagePath()) ||
      !package.ReadInfo(controller_.PackageDirectory(), info))
    return ui::CurrentHost().AskYesNo(
        "Unable to read version info of file!\nDo you still want to download this file?");
  if (!firmwareAnswered) return true;
  if (info.hardwareVersion == hardware) return true;
  ui::CurrentHost().ShowMessage(DriveDisableCheck::HardwareMismatchText(hardware));
  return false;
}

void CDownloadDlg::Start() {
  if (controller_.IsRunning() || session_) return;
  const std::string path = Text(kIdFile);
  if (!EndsWithBin(path)) {
    ui::CurrentHost().ShowMessage("No file (*.bin) selected");
    return;
  }
  if (path != controller_.PackagePath()) controller_.SetPackage(path, "");
  if (controller_.PackageDirectory().empty()) {
    std::string directory;
    FirmwarePackage package;
    if (!package.Open(path) || !package.ChooseVersion(directory, true)) {
      if (!package.IsOpen()) ui::CurrentHost().ShowMessage("Unable to open file!");
      return;
    }
    controller_.SetPackage(path, directory);
  }
  bool firmwareAnswered = false;
  if (!CheckHardware(firmwareAnswered)) return;
  const auto method = static_cast<DownloadMethod>(controller_.Selected());
  if (!firmwareAnswered) {
    // Without running firmware only the processor's loader (TI) or a JTAG-started boot loader
    // can take the download; nothing can be read to check it.
    if (method == DownloadMethod::kStandard) {
      ui::CurrentHost().ShowMessage(DriveDisableCheck::kNotOnline);
      return;
    }
    ui::CurrentHost().ShowMessage(DriveDisableCheck::kFirmwareSilent, ui::Icon::Warning);
  } else {
    const DriveDisableCheck drive = DriveDisableCheck::Read(communication_);
    if (!drive.readable) {
      ui::CurrentHost().ShowMessage(DriveDisableCheck::kNotOnline);
      return;
    }
    if (drive.enableInputWarning)
      ui::CurrentHost().ShowMessage(DriveDisableCheck::kEnableInputWarning, ui::Icon::Warning);
    if (drive.hardwareEnabled) {
      ui::CurrentHost().ShowMessage(DriveDisableCheck::kSwitchOff);
      return;
    }
  }

  session_.emplace(communication_, controller_.Link(), BootLoaderSession::Claim::kTake,
                   queue_.Sink());
  if (!session_->PortOpen()) {
    Finish();
    ui::CurrentHost().ShowMessage(DriveDisableCheck::kNotOnline);
    return;
  }
  history_.clear();
  SetRows(kIdHistory, {});
  if (!controller_.Start()) {
    Finish();
    ui::CurrentHost().ShowMessage("Command failed!");
  }
}

void CDownloadDlg::FileSettings() {
  FirmwarePackage package;
  std::string directory = controller_.PackageDirectory();
  const std::string path = Text(kIdFile);
  if (!EndsWithBin(path) || !package.Open(path) ||
      (directory.empty() && !package.ChooseVersion(directory, false)) ||
      !package.CheckComplete(directory, false)) {
    ui::CurrentHost().ShowMessage("The file settings are not correct!");
    return;
  }
  controller_.SetPackage(path, directory);
  package.ShowSummary(directory);
}

void CDownloadDlg::ReadVersion() {
  if (controller_.IsRunning()) return;
  // The versions come from the firmware over the device link, whatever holds the line now.
  const bool wasBoot = communication_.InBootLoaderMode();
  if (wasBoot) communication_.LeaveBootLoaderMode();
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  const bool read = communication_.Parameter().ReadVersion(software, hardware, number, version);
  if (wasBoot) communication_.EnterBootLoaderMode();
  ui::CurrentHost().ShowMessage(read ? VersionLines(software, hardware, number, version)
                                     : "Error reading version info!");
}

void CDownloadDlg::EnableInputs(bool enabled) {
  for (int id : {kIdFile, kIdBrowse, kIdMethod, kIdStart, kIdFileSettings, kIdReadVersion})
    Enable(id, enabled);
}

void CDownloadDlg::OnPrivateMessage(unsigned message, std::uintptr_t, std::intptr_t) {
  if (message != kMsgDownloadEvents) return;
  for (const DownloadEvent& event : queue_.Drain()) Apply(event);
}

void CDownloadDlg::Apply(const DownloadEvent& event) {
  switch (event.event) {
    case DownloadEvent::kStarted:
      EnableInputs(false);
      Enable(kIdStop, true);
      break;
    case DownloadEvent::kStepStart:
      SetText(kIdStatus, StepText(static_cast<int>(event.value)));
      stepExpectedMs_ = event.expectedMs > 0 ? event.expectedMs : 1;
      SetRange(kIdProgress, 0, static_cast<int>(stepExpectedMs_));
      SetValue(kIdProgress, 0);
      break;
    case DownloadEvent::kStepElapsed:
      SetValue(kIdProgress, static_cast<int>(std::min(event.value, stepExpectedMs_)));
      break;
    case DownloadEvent::kStepResult:
      history_.push_back(static_cast<int>(event.value));
      {
        std::vector<std::vector<std::string>> rows;
        std::vector<ui::RowMark> marks;
        for (int code : history_) {
          rows.push_back({StepResultText(code)});
          marks.push_back(HistoryMark(code));
        }
        SetRows(kIdHistory, rows);
        SetRowMarks(kIdHistory, std::move(marks));
      }
      SetValue(kIdProgress, static_cast<int>(stepExpectedMs_));
      break;
    case DownloadEvent::kCriticalBegin: {
      critical_ = true;
      const auto method = static_cast<DownloadMethod>(controller_.Selected());
      Show(kIdCritical, method != DownloadMethod::kJtag);
      for (int id : {kIdStop, ui::kIdOk, ui::kIdCancel}) Enable(id, false);
      break;
    }
    case DownloadEvent::kCriticalEnd:
      critical_ = false;
      Show(kIdCritical, false);
      for (int id : {ui::kIdOk, ui::kIdCancel}) Enable(id, true);
      break;
    case DownloadEvent::kFinished:
      succeeded_ = event.value != 0;
      SetText(kIdStatus, succeeded_ ? "Download successful!" : "Download failed!");
      controller_.Join();
      Finish();
      EnableInputs(true);
      Enable(kIdStop, false);
      ShowDuration();
      break;
    case DownloadEvent::kWarning:
      ui::CurrentHost().ShowMessage(event.text, ui::Icon::Warning);
      break;
    default:
      break;
  }
}

void CDownloadDlg::Finish() {
  session_.reset();
}

void CDownloadDlg::Close(int result) {
  // Closing now would leave the flash half written.
  if (critical_) return;
  controller_.Stop();
  queue_.Drain();
  Finish();
  EndDialog(result);
}

void CDownloadDlg::OnOK() {
  Close(ui::kResultOk);
}

void CDownloadDlg::OnCancel() {
  Close(ui::kResultCancel);
}

void CDownloadDlg::OnDestroy() {
  controller_.Stop();
  Finish();
}

}  // namespace zel::firmware
