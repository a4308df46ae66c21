#include "firmware/CDownloadWizardPages.h"

#include <cstdio>
#include <filesystem>

#include "firmware/BootLoaderSession.h"
#include "firmware/CDownloadWizardSheet.h"
#include "firmware/FirmwarePackage.h"
#include "link/CSearchCommunicationDlg.h"
#include "link/CommunicationSearch.h"
#include "link/ZelCommunication.h"
#include "ui/Host.h"

namespace zel::firmware {

namespace {

constexpr std::int16_t kSysConfig = 1;
constexpr std::uint16_t kServiceModeBit = 0x4000;
constexpr int kPortCount = 6;

std::string Hex4(std::uint16_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%.4x", value);
  return text;
}

const char* const kVersionNames[] = {"Software Version", "Hardware Version", "Applicaton Number",
                                     "Application Version"};

}  // namespace

CDownloadWizardPage::CDownloadWizardPage(CDownloadWizardSheet& sheet, int index,
                                         const char* titleFormat)
    : PropertyPage(std::string()), wizard_(sheet), index_(index), titleFormat_(titleFormat) {}

bool CDownloadWizardPage::OnSetActive() {
  char title[96];
  std::snprintf(title, sizeof title, titleFormat_, wizard_.Visit(index_));
  SetTitle(title);
  wizard_.SetTitle(title);
  return true;
}

int CDownloadWizardPage::OnWizardBack() {
  return wizard_.Back();
}

int CDownloadWizardPage::NextBySysConfig() {
  std::uint16_t sysConfig = 0;
  bool read = false;
  {
    ui::WaitCursor wait;
    read = wizard_.Communication().Parameter().ReadTempParam(kSysConfig, sysConfig);
  }
  if (!read) return -1;
  wizard_.noRunningFirmware = false;
  wizard_.serviceMode = (sysConfig & kServiceModeBit) != 0;
  if (wizard_.serviceMode) return JumpTo(CDownloadWizardSheet::kMethod);
  wizard_.Controller().Select(static_cast<int>(DownloadMethod::kStandard));
  return JumpTo(CDownloadWizardSheet::kSourceFile);
}

// Intro

CDownloadWizardPageIntro::CDownloadWizardPageIntro(CDownloadWizardSheet& sheet)
    : CDownloadWizardPage(sheet, CDownloadWizardSheet::kIntro, "Step %i: Download WARNING!") {
  AddLabel(kIdWarning,
           "WARNING! The firmware download is a critical procedure! If you interrupt the "
           "download during execution, the firmware can get lost for ever!");
  AddLabel(kIdReturn, "In case of firmware loss you have to send your ZEL back to Orvane.");
  AddCheckBox(kIdConfirm, "&Confirm that you've read the warning!");
}

bool CDownloadWizardPageIntro::OnSetActive() {
  CDownloadWizardPage::OnSetActive();
  Sheet()->SetWizardButtons(confirmed_ ? ui::kWizNext : 0);
  return true;
}

void CDownloadWizardPageIntro::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdConfirm || kind != ui::EventKind::Clicked || confirmed_) return;
  confirmed_ = true;
  SetValue(kIdConfirm, 1);
  Enable(kIdConfirm, false);
  Sheet()->SetWizardButtons(ui::kWizNext);
}

int CDownloadWizardPageIntro::OnWizardNext() {
  const int next = NextBySysConfig();
  return next >= 0 ? next : JumpTo(CDownloadWizardSheet::kCom);
}

// Com

CDownloadWizardPageCom::CDownloadWizardPageCom(CDownloadWizardSheet& sheet)
    : CDownloadWizardPage(sheet, CDownloadWizardSheet::kCom, "Step %i: Communication Settings!") {
  AddLabel(kIdText, "Select the correct communication settings!");
  AddLabel(kIdPortLabel, "Serial Port");
  std::vector<std::string> ports;
  for (int i = 1; i <= kPortCount; ++i) ports.push_back("Com" + std::to_string(i));
  AddCombo(kIdPort, ports).sameRow = true;
  AddLabel(kIdBaudLabel, "Baudrate");
  std::vector<std::string> rates;
  for (std::int32_t rate : link::CommunicationSearch::kBaudRates)
    rates.push_back(std::to_string(rate));
  AddCombo(kIdBaud, rates).sameRow = true;
  AddButton(kIdSearch, "&Search Communication Setting");
}

void CDownloadWizardPageCom::ShowSettings() {
  const link::CommSettings& settings = Wizard().Communication().Settings();
  int port = -1;
  for (int i = 0; i < kPortCount; ++i)
    if (settings.portName == "Com" + std::to_string(i + 1)) port = i;
  SetSelection(kIdPort, port);
  int rate = -1;
  int i = 0;
  for (std::int32_t r : link::CommunicationSearch::kBaudRates) {
    if (r == settings.baudRate) rate = i;
    ++i;
  }
  SetSelection(kIdBaud, rate);
}

bool CDownloadWizardPageCom::OnSetActive() {
  CDownloadWizardPage::OnSetActive();
  ShowSettings();
  Sheet()->SetWizardButtons(ui::kWizBack | ui::kWizNext);
  return true;
}

void CDownloadWizardPageCom::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdSearch || kind != ui::EventKind::Clicked) return;
  link::ZelCommunication& communication = Wizard().Communication();
  // The search asks from a thread of its own, which the wizard's claim would turn away.
  communication.ReleaseLink();
  link::SearchCommunication(communication, true);
  communication.ClaimLink();
  ShowSettings();
}

void CDownloadWizardPageCom::ApplySettings() {
  link::ZelCommunication& communication = Wizard().Communication();
  link::CommSettings settings = communication.Settings();
  const int port = Selection(kIdPort);
  const int rate = Selection(kIdBaud);
  if (port >= 0) settings.portName = "Com" + std::to_string(port + 1);
  if (rate >= 0) settings.baudRate = link::CommunicationSearch::kBaudRates[rate];
  if (!(settings == communication.Settings()) || !communication.Link().IsOpen())
    communication.OpenLink(settings);
}

int CDownloadWizardPageCom::OnWizardNext() {
  ApplySettings();
  if (const int next = NextBySysConfig(); next >= 0) return next;
  // No firmware answers; perhaps its boot loader does.
  link::ZelCommunication& communication = Wizard().Communication();
  bool answered = false;
  {
    ui::WaitCursor wait;
    // Only a probe: the session drops the connection again, so the download that follows makes
    // its own handshake.
    BootLoaderSession session(communication, Wizard().Controller().Link(),
                              BootLoaderSession::Claim::kHeldByCaller);
    answered = session.PortOpen() && session.Link().Connect(false);
  }
  if (!answered) {
    ui::CurrentHost().ShowMessage(kNoCommunication);
    return kStay;
  }
  Wizard().noRunningFirmware = true;
  return JumpTo(CDownloadWizardSheet::kMethod);
}

// Method

CDownloadWizardPageMethod::CDownloadWizardPageMethod(CDownloadWizardSheet& sheet)
    : CDownloadWizardPage(sheet, CDownloadWizardSheet::kMethod, "Step %i: Download Method!") {
  AddLabel(kIdText, "Select the correct download method!");
  AddCombo(kIdMethod, {});
  AddLabel(kIdServiceHint,
           "If you want to select the TI or JTAG download method, you have to set the ZEL into "
           "the service mode!");
}

bool CDownloadWizardPageMethod::OnSetActive() {
  CDownloadWizardPage::OnSetActive();
  std::vector<std::string> methods;
  if (!Wizard().noRunningFirmware) methods.emplace_back("Standard");
  if (Wizard().noRunningFirmware || Wizard().serviceMode) {
    methods.emplace_back("TI serial booting loader");
    methods.emplace_back("JTAG booting loader");
  }
  SetItems(kIdMethod, methods);
  SetSelection(kIdMethod, 0);
  Sheet()->SetWizardButtons(ui::kWizBack | ui::kWizNext);
  return true;
}

int CDownloadWizardPageMethod::OnWizardNext() {
  const int position = Selection(kIdMethod) < 0 ? 0 : Selection(kIdMethod);
  // Without running firmware the Standard entry is absent and the list starts at TI.
  Wizard().Controller().Select(position + (Wizard().noRunningFirmware ? 1 : 0));
  return JumpTo(CDownloadWizardSheet::kSourceFile);
}

// SourceFile

CDownloadWizardPageSourceFile::CDownloadWizardPageSourceFile(CDownloadWizardSheet& sheet)
    : CDownloadWizardPage(sheet, CDownloadWizardSheet::kSourceFile, "Step %i: Firmware File!") {
  AddEdit(kIdFile).readOnly = true;
  AddButton(kIdBrowse, "...").sameRow = true;
  // A table, so that what the ZEL runs and what the file holds stand each in a column of its
  // own under its own header, whatever the widths of the texts.
  AddList(kIdVersions, {"", "ZEL", "", "File"}).columnShares = {9, 5, 2, 5};
  for (int i = 0; i < 4; ++i) zelCells_[i] = fileCells_[i] = "???";
  ShowVersions();
  AddButton(kIdDefaults, "&Default Values");
  AddButton(kIdReadMe, "&ReadMe").sameRow = true;
  AddButton(kIdHeader, "&Header").sameRow = true;
}

bool CDownloadWizardPageSourceFile::OnSetActive() {
  CDownloadWizardPage::OnSetActive();
  serviceModeAtEntry_ = Wizard().serviceMode;
  ReadZelVersions();
  Accept(accepted_);
  return true;
}

void CDownloadWizardPageSourceFile::ReadZelVersions() {
  link::ZelCommunication& communication = Wizard().Communication();
  // The versions come from the firmware, over the device link.
  const bool wasBoot = communication.InBootLoaderMode();
  if (wasBoot) communication.LeaveBootLoaderMode();
  std::uint16_t words[4] = {};
  zelRead_ = !Wizard().noRunningFirmware &&
             communication.Parameter().ReadVersion(words[0], words[1], words[2], words[3]);
  if (wasBoot) communication.EnterBootLoaderMode();
  zelHardware_ = words[1];
  for (int i = 0; i < 4; ++i) zelCells_[i] = zelRead_ ? Hex4(words[i]) : "???";
  ShowVersions();
}

void CDownloadWizardPageSourceFile::ShowVersions() {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 4; ++i)
    rows.push_back({kVersionNames[i], zelCells_[i], "-->", fileCells_[i]});
  SetRows(kIdVersions, std::move(rows));
  std::vector<std::uint32_t> colours(4, ui::kDefaultColour);
  if (hardwareMarked_) colours[kHardwareRow] = kMismatchColour;
  SetRowColours(kIdVersions, std::move(colours));
}

void CDownloadWizardPageSourceFile::MarkHardware(bool mismatch) {
  hardwareMarked_ = mismatch;
  ShowVersions();
}

void CDownloadWizardPageSourceFile::Accept(bool accepted) {
  accepted_ = accepted;
  Sheet()->SetWizardButtons(ui::kWizBack | (accepted ? ui::kWizNext : 0u));
}

void CDownloadWizardPageSourceFile::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdBrowse) Browse();
  if (id == kIdDefaults || id == kIdReadMe || id == kIdHeader) ShowPackageText(id);
}

void CDownloadWizardPageSourceFile::ShowFile(const FirmwareInfo* info) {
  const std::uint16_t words[4] = {info ? info->softwareVersion : std::uint16_t{0},
                                  info ? info->hardwareVersion : std::uint16_t{0},
                                  info ? info->applicationNumber : std::uint16_t{0},
                                  info ? info->applicationVersion : std::uint16_t{0}};
  for (int i = 0; i < 4; ++i) fileCells_[i] = info ? Hex4(words[i]) : "???";
  MarkHardware(false);
}

void CDownloadWizardPageSourceFile::Browse() {
  DownloadController& controller = Wizard().Controller();
  ui::FileRequest request;
  request.filter = "ZEL Firmware Files (*.bin)|*.bin||";
  request.defaultExtension = "bin";
  if (!controller.PackagePath().empty())
    request.initialDirectory = std::filesystem::path(controller.PackagePath()).parent_path();
  if (!ui::CurrentHost().AskOpenFile(request)) return;
  // Until this file is accepted nothing of a previous choice may be downloaded.
  Accept(false);
  Wizard().chosenDescribed = false;
  SetText(kIdFile, request.path);
  ShowFile(nullptr);
  std::string directory;
  FirmwarePackage package;
  if (!package.Open(request.path)) {
    ui::CurrentHost().ShowMessage("Unable to open file!");
    return;
  }
  if (!package.ChooseVersion(directory, true)) return;
  controller.SetPackage(request.path, directory);
  // A missing file is reported by the check itself; a description that cannot be read is
  // reported below, in the words that name the file's format.
  const bool complete = package.CheckComplete(directory, false);
  FirmwareInfo info;
  if (!package.ReadInfo(directory, info)) {
    ui::CurrentHost().ShowMessage(kUnreadable);
    return;
  }
  if (!complete) return;
  ShowFile(&info);
  Wizard().chosen = info;
  Wizard().chosenDescribed = true;
  // The file is compared with what the ZEL runs now, not with what it ran when the page was
  // entered: the ZEL may have been flashed or exchanged meanwhile, and the technician decides
  // on the two columns side by side.
  if (!Wizard().noRunningFirmware) ReadZelVersions();
  if (!serviceModeAtEntry_) {
    if (Wizard().noRunningFirmware) {
      // Nothing to compare with: the technician must know what the ZEL takes.
      MarkHardware(true);
    } else if (!zelRead_) {
      // A file that does not fit the hardware must not get through unchecked.
      MarkHardware(true);
      ui::CurrentHost().ShowMessage(kZelVersionUnread);
      return;
    } else if (info.hardwareVersion != zelHardware_) {
      MarkHardware(true);
      char text[160];
      std::snprintf(text, sizeof text,
                    "The hardware versions are incompatible!\nYou have to select a firmware "
                    "version file with hardware version 0x%.4x!",
                    zelHardware_);
      ui::CurrentHost().ShowMessage(text);
      return;
    }
  }
  Accept(true);
}

void CDownloadWizardPageSourceFile::ShowPackageText(int id) {
  DownloadController& controller = Wizard().Controller();
  FirmwarePackage package;
  if (controller.PackageDirectory().empty() || !package.Open(controller.PackagePath())) return;
  const std::string& directory = controller.PackageDirectory();
  if (id == kIdDefaults) package.ShowDefaults(directory, true);
  if (id == kIdReadMe) package.ShowReadMe(directory);
  if (id == kIdHeader) package.ShowSummary(directory);
}

int CDownloadWizardPageSourceFile::OnWizardNext() {
  return accepted_ ? JumpTo(CDownloadWizardSheet::kDownload) : kStay;
}

}  // namespace zel::firmware
