#include "firmware/CDownloadWizardRunPages.h"

#include <algorithm>
#include <cstdio>

#include "firmware/CDownloadWizardSheet.h"
#include "firmware/DownloadVerdict.h"
#include "firmware/DriveDisableCheck.h"
#include "firmware/NewDefaultParameters.h"
#include "link/CServiceDlg.h"
#include "link/SerialParameterDevice.h"
#include "link/ZelCommunication.h"
#include "parameters/CZelParameterDlg.h"
#include "ui/Host.h"

namespace zel::firmware {

// History

CDownloadHistoryDlg::CDownloadHistoryDlg(const std::vector<int>& codes)
    : Window("Download History") {
  AddList(kIdList, {"Text"});
  AddButton(kIdExit, "&Exit");
  std::vector<std::vector<std::string>> rows;
  std::vector<ui::RowMark> marks;
  for (int code : codes) {
    rows.push_back({StepResultText(code)});
    marks.push_back(HistoryMark(code));
  }
  SetRows(kIdList, rows);
  SetRowMarks(kIdList, std::move(marks));
}

void CDownloadHistoryDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdExit && kind == ui::EventKind::Clicked) EndDialog(ui::kResultOk);
}

// Download

CDownloadWizardPageDownload::CDownloadWizardPageDownload(CDownloadWizardSheet& sheet)
    : CDownloadWizardPage(sheet, CDownloadWizardSheet::kDownload, "Step %i: Firmware Download!") {
  AddLabel(kIdMethod, "");
  AddLabel(kIdStatus, "Processing...");
  AddProgress(kIdProgress, 0, 100);
  AddButton(kIdStart, "&Start");
  AddButton(kIdStop, "Sto&p").sameRow = true;
  AddLabel(kIdDurationLabel, "Duration:");
  AddLabel(kIdDuration, "???").sameRow = true;
  AddButton(kIdHistory, "&History");
  AddLabel(kIdCritical, "Warning! This is a critical action!");
  // Each event the worker queues wakes the page on the UI thread.
  queue_.SetWakeUp([this] { Post(kMsgDownloadEvents); });
}

CDownloadWizardPageDownload::~CDownloadWizardPageDownload() {
  Wizard().Controller().Stop();
  Finish();
}

bool CDownloadWizardPageDownload::OnSetActive() {
  CDownloadWizardPage::OnSetActive();
  SetText(kIdMethod, Wizard().Controller().Name());
  SetText(kIdDuration, Wizard().Controller().ExpectedDurationText());
  Show(kIdCritical, false);
  SetColour(kIdCritical, kCriticalColour);
  if (!Running()) Enable(kIdStop, false);
  UpdateButtons();
  return true;
}

bool CDownloadWizardPageDownload::OnKillActive() {
  return !Running();
}

bool CDownloadWizardPageDownload::Running() const {
  return session_.has_value();
}

void CDownloadWizardPageDownload::UpdateButtons() {
  if (Sheet() == nullptr) return;
  if (Running()) {
    Sheet()->SetWizardButtons(0);
    return;
  }
  Sheet()->SetWizardButtons(ui::kWizBack | (finished_ ? ui::kWizNext : 0u));
}

void CDownloadWizardPageDownload::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdStart) Start();
  if (id == kIdStop) Wizard().Controller().RequestStop();
  if (id == kIdHistory) {
    CDownloadHistoryDlg dlg(Wizard().resultCodes);
    dlg.DoModal();
  }
}

void CDownloadWizardPageDownload::Start() {
  DownloadController& controller = Wizard().Controller();
  link::ZelCommunication& communication = Wizard().Communication();
  if (Running() || controller.IsRunning()) return;
  if (!Wizard().noRunningFirmware) {
    const DriveDisableCheck drive = DriveDisableCheck::Read(communication);
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
  // The wizard holds the claim on the line for as long as it is open.
  session_.emplace(communication, Wizard().Controller().Link(),
                   BootLoaderSession::Claim::kHeldByCaller, queue_.Sink());
  if (!session_->PortOpen()) {
    Finish();
    ui::CurrentHost().ShowMessage(DriveDisableCheck::kNotOnline);
    return;
  }
  Wizard().resultCodes.clear();
  Wizard().downloadSucceeded = false;
  Wizard().outcome = {};
  finished_ = false;
  UpdateButtons();
  if (!controller.Start()) {
    Finish();
    UpdateButtons();
    ui::CurrentHost().ShowMessage("Command failed!");
  }
}

void CDownloadWizardPageDownload::EnableInputs(bool enabled) {
  Enable(kIdStart, enabled);
  Enable(kIdHistory, enabled);
}

void CDownloadWizardPageDownload::OnPrivateMessage(unsigned message, std::uintptr_t,
                                                   std::intptr_t) {
  if (message != kMsgDownloadEvents) return;
  for (const DownloadEvent& event : queue_.Drain()) Apply(event);
}

void CDownloadWizardPageDownload::Apply(const DownloadEvent& event) {
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
      if (critical_ && IsVisible(kIdCritical)) {
        // The warning blinks with the progress of the flash steps.
        blink_ = !blink_;
        SetColour(kIdCritical, blink_ ? ui::kDefaultColour : kCriticalColour);
      }
      break;
    case DownloadEvent::kStepResult:
      Wizard().resultCodes.push_back(static_cast<int>(event.value));
      SetValue(kIdProgress, static_cast<int>(stepExpectedMs_));
      break;
    case DownloadEvent::kCriticalBegin: {
      critical_ = true;
      const auto method = static_cast<DownloadMethod>(Wizard().Controller().Selected());
      SetColour(kIdCritical, kCriticalColour);
      Show(kIdCritical, method != DownloadMethod::kJtag);
      Enable(kIdStop, false);
      if (Sheet()) Sheet()->Enable(ui::kIdCancel, false);
      break;
    }
    case DownloadEvent::kCriticalEnd:
      critical_ = false;
      Show(kIdCritical, false);
      if (Sheet()) Sheet()->Enable(ui::kIdCancel, true);
      break;
    case DownloadEvent::kFinished: {
      Wizard().downloadSucceeded = event.value != 0;
      SetText(kIdStatus, Wizard().downloadSucceeded ? "Download successful!" : "Download failed!");
      Wizard().Controller().Join();
      Wizard().outcome = Wizard().Controller().LastOutcome();
      const bool lineBack = !session_ || session_->End();
      Finish();
      if (!lineBack) ui::CurrentHost().ShowMessage(kLineNotBack);
      finished_ = true;
      EnableInputs(true);
      Enable(kIdStop, false);
      SetText(kIdDuration, Wizard().Controller().ExpectedDurationText());
      UpdateButtons();
      break;
    }
    case DownloadEvent::kWarning:
      ui::CurrentHost().ShowMessage(event.text, ui::Icon::Warning);
      break;
    default:
      break;
  }
}

void CDownloadWizardPageDownload::Finish() {
  critical_ = false;
  session_.reset();
}

void CDownloadWizardPageDownload::Abandon() {
  if (critical_) return;
  Wizard().Controller().Stop();
  queue_.Drain();
  Finish();
}

int CDownloadWizardPageDownload::OnWizardNext() {
  return finished_ ? JumpTo(CDownloadWizardSheet::kSummary) : kStay;
}

// Summary

CDownloadWizardPageSummary::CDownloadWizardPageSummary(CDownloadWizardSheet& sheet)
    : CDownloadWizardPage(sheet, CDownloadWizardSheet::kSummary, "Step %i: Summary!") {
  AddLabel(kIdVerdict, "");
  for (int i = 0; i < 3; ++i) AddLabel(kIdDetail + i, "");
  AddLabel(kIdMeaning, "");
  for (int i = 0; i < 4; ++i) AddLabel(kIdVersion + i, "");
}

bool CDownloadWizardPageSummary::OnSetActive() {
  CDownloadWizardPage::OnSetActive();
  for (int i = 0; i < 3; ++i) SetText(kIdDetail + i, "");
  for (int i = 0; i < 4; ++i) SetText(kIdVersion + i, "");
  SetText(kIdMeaning, "");
  const bool success = Wizard().downloadSucceeded;
  if (success) {
    SetText(kIdVerdict, "The download has been executed correctly!");
    link::ZelCommunication& communication = Wizard().Communication();
    communication.LeaveBootLoaderMode();
    SetText(kIdMeaning, (Wizard().chosenDescribed ? Wizard().chosen.meaning : "") + ":");
    std::uint16_t words[4] = {};
    if (communication.Parameter().ReadVersion(words[0], words[1], words[2], words[3])) {
      const char* const formats[] = {"Software Version\t= 0x%.4x", "Hardware Version\t= 0x%.4x",
                                     "Application Number\t= 0x%.4x",
                                     "Application Version\t= 0x%.4x"};
      for (int i = 0; i < 4; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, formats[i], words[i]);
        SetText(kIdVersion + i, line);
      }
    } else {
      SetText(kIdVersion, "Unable to read version info!");
    }
  } else {
    SetText(kIdVerdict, "The download has NOT been executed correctly!");
    const DownloadVerdict verdict = DownloadVerdict::From(Wizard().outcome, Wizard().resultCodes);
    const std::vector<std::string> lines = verdict.FailureLines();
    for (std::size_t i = 0; i < lines.size() && i < 3; ++i)
      SetText(kIdDetail + static_cast<int>(i), lines[i]);
  }
  Sheet()->SetWizardButtons(ui::kWizBack | (success ? ui::kWizNext : ui::kWizFinish));
  return true;
}

int CDownloadWizardPageSummary::OnWizardNext() {
  return Wizard().downloadSucceeded ? JumpTo(CDownloadWizardSheet::kSystemParameter) : kStay;
}

// SystemParameter

CDownloadWizardPageSystemParameter::CDownloadWizardPageSystemParameter(CDownloadWizardSheet& sheet)
    : CDownloadWizardPage(sheet, CDownloadWizardSheet::kSystemParameter,
                          "Step %i: System Parameter!") {
  AddLabel(kIdWriteQuestion, "Do you want to write new default system parameter?");
  AddButton(kIdWrite, "Write &New Default Parameter");
  AddLabel(kIdEditQuestion, "Do you want to edit the actual system parameter?");
  AddButton(kIdEdit, "&Edit Actual Parameter");
  AddLabel(kIdInfo,
           "Info: To guarantee a correct behaviour write the \nnew default system parameter to "
           "the ZEL!");
}

bool CDownloadWizardPageSystemParameter::OnSetActive() {
  CDownloadWizardPage::OnSetActive();
  DownloadController& controller = Wizard().Controller();
  haveDefaults_ = NewDefaultParameters::Read(controller.PackagePath(),
                                             controller.PackageDirectory(), defaults_);
  Sheet()->SetWizardButtons(ui::kWizBack | ui::kWizFinish);
  return true;
}

void CDownloadWizardPageSystemParameter::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdWrite) WriteDefaults();
  if (id == kIdEdit) EditParameters();
}

void CDownloadWizardPageSystemParameter::WriteDefaults() {
  if (!haveDefaults_) {
    ui::CurrentHost().ShowMessage(NewDefaultParameters::kNoDefaults);
    return;
  }
  link::ZelCommunication& communication = Wizard().Communication();
  link::SerialParameterDevice device(communication.Parameter(), communication.Status());
  for (const std::string& message : NewDefaultParameters::Write(defaults_, device).messages)
    ui::CurrentHost().ShowMessage(message);
}

void CDownloadWizardPageSystemParameter::EditParameters() {
  link::ZelCommunication& communication = Wizard().Communication();
  link::SerialParameterDevice device(communication.Parameter(), communication.Status());
  // The new firmware's defaults are written by the page's own button, not from the sheet.
  const parameters::ParameterSheetSetup setup(
      "Edit actual Parameter",
      [&communication] {
        return link::CServiceDlg::EnterServiceMode(communication.Service(),
                                                   communication.Parameter());
      },
      parameters::ParameterSheetSetup::Defaults::kDisabled);
  const ui::CommandOutcome outcome =
      parameters::CZelParameterDlg::EditAllTempParam(communication.Definitions(), device, setup);
  if (outcome == ui::CommandOutcome::kFailed) {
    ui::CurrentHost().ShowMessage("Error writing parameter!");
  } else if (outcome == ui::CommandOutcome::kDone && !device.SaveTempParam()) {
    ui::CurrentHost().ShowMessage("Error saving parameter to EEPROM!");
  }
}

}  // namespace zel::firmware
