#include "can/CCanWizardSetupPages.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "can/CCanWizardInstructions.h"
#include "can/CCanWizardSheet.h"
#include "link/CSearchCommunicationDlg.h"
#include "link/CommunicationSearch.h"
#include "link/ParameterGroup.h"
#include "link/StatusGroup.h"
#include "link/ZelCommunication.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::can {

namespace {

// Whether the ZEL at the serial port answers every one of these parameter reads.
bool AllAnswer(link::ZelCommunication& communication, std::initializer_list<std::int16_t> numbers) {
  for (std::int16_t number : numbers) {
    std::uint16_t value = 0;
    if (!communication.Parameter().ReadTempParam(number, value)) return false;
  }
  return true;
}

// A picture the user looks at and closes.
void ShowPicture(const std::string& title, const std::string& caption) {
  ui::Window picture(title);
  picture.Add(1, ui::ControlKind::Picture, caption);
  picture.AddButton(ui::kIdOk, "OK");
  picture.DoModal();
}

}  // namespace

CCanWizardPage1::CCanWizardPage1(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Introduction!", sheet) {
  AddLabel(kIdText, "This is a Wizard to build a CAN network or add an additional CAN node!");
  AddLabel(kIdText + 10, "Switch off the power supply!");
  AddButton(kIdConfirm, "&Confirm that you've switched off the power supply");
  AddLabel(kIdState, "");
}

void CCanWizardPage1::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdConfirm || kind != ui::EventKind::Clicked) return;
  // A ZEL that still answers is still powered.
  if (AllAnswer(wizard_.Communication(), {1, 128, 15, 17})) {
    SetText(kIdState, kStillPowered);
    return;
  }
  SetText(kIdState, "");
  confirmed_ = true;
  wizard_.SetWizardButtons(Buttons());
}

CCanWizardPage2::CCanWizardPage2(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Network cabling!", sheet) {
  AddLabel(kIdShow + 1, "Construct the network!");
  AddButton(kIdShow, "&Show CAN network structure");
  AddLabel(kIdShow + 2,
           "More about the cabling is in the Communication Guide on the maker's web site.");
}

void CCanWizardPage2::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdShow && kind == ui::EventKind::Clicked)
    ShowPicture("Network structure",
                "ZEL 1 --- ZEL 2 --- ... --- ZEL n, a 120 Ohm terminator at both ends");
}

CCanWizardPage3::CCanWizardPage3(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Module ID setting with DIP switch!", sheet) {
  AddLabel(kIdShow + 1, "Module ID Setting");
  AddButton(kIdShow, "&Show CAN Identification Structure");
}

void CCanWizardPage3::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdShow && kind == ui::EventKind::Clicked)
    ShowPicture("CAN Identification", "Every module ID (1 ... 127) is used once in the network");
}

CCanWizardPage4::CCanWizardPage4(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Power supply enabled!", sheet) {
  AddLabel(kIdConfirm + 1, "Power on");
  AddButton(kIdConfirm, "&Confirm that you've switched on the power supply!");
}

void CCanWizardPage4::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdConfirm || kind != ui::EventKind::Clicked) return;
  if (!AllAnswer(wizard_.Communication(), {1, 128, 15, 14, 17})) {
    ui::CurrentHost().ShowMessage(kSwitchOn);
    return;
  }
  confirmed_ = true;
  Enable(kIdConfirm, false);
  wizard_.SetWizardButtons(Buttons());
}

CCanWizardPage5::CCanWizardPage5(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Module ID setting!", sheet) {
  AddRadio(kIdAllDip, "All ZEL in the network have DIP switches", 1);
  AddRadio(kIdSomeWithout, "Some ZEL in the network have no DIP switches", 1);
  SetValue(kIdAllDip, 1);
}

int CCanWizardPage5::NextPage() {
  wizard_.dipSwitchChoice = Value(kIdSomeWithout) != 0 ? 1 : 0;
  return wizard_.dipSwitchChoice == 1 ? 288 : 262;
}

CCanWizardPage5a::CCanWizardPage5a(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: ID Configuration Mode!", sheet) {
  AddLabel(kIdThisPc + 10, "How do you want to set the module ID?");
  AddRadio(kIdThisPc, "Configure Module ID via this PC! ", 1);
  AddRadio(kIdAnotherPc, "Configure Module ID via another PC", 1);
  SetValue(kIdThisPc, 1);
}

int CCanWizardPage5a::NextPage() {
  if (Value(kIdAnotherPc) != 0) return 289;
  // Straight to the ID when the ZEL answers already; else the cable and port come first.
  return AllAnswer(wizard_.Communication(), {17, 128}) ? 311 : 309;
}

CCanWizardPage5b::CCanWizardPage5b(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Set Module ID!", sheet) {
  AddLabel(kIdList + 10, "Configuration with another PC");
  AddList(kIdList, {"Instructions"});
  SetRows(kIdList, {{"1. Start the ZEL_UserInterface"},
                    {"    on your remote PC!"},
                    {"2. Connect the ZEL via the RS232"},
                    {"    port (Help: Startup Wizard)"},
                    {"3. Open the submenu 'CAN Node"},
                    {"    Configuration' in the menu"},
                    {"    'CAN Commands'. Select the"},
                    {"    command 'Set Module ID' and"},
                    {"    enter a new module ID (Module"},
                    {"    ID has to be unique in the"},
                    {"    CAN network!)."},
                    {"4. Select the command 'Save Temp"},
                    {"    Systemparameter' in the menu"},
                    {"    'Parameter' to store this"},
                    {"    setting permanently in the"},
                    {"    flash memory!"},
                    {"5. Repeat this procedure for all"},
                    {"    ZEL without DIP switches!"}});
  AddButton(kIdPrint, "&Print Instructions");
}

void CCanWizardPage5b::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdPrint && kind == ui::EventKind::Clicked)
    CCanWizardInstructions::Print(CCanWizardInstructions::SetModuleId());
}

CCanWizardPage5c::CCanWizardPage5c(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: RS232 Cable Wiring!", sheet) {
  Add(kIdConfirm + 1, ui::ControlKind::Picture, "Pin 5 Gnd, Pin 3 TxD, Pin 2 RxD");
  AddButton(kIdConfirm, "&Confirm that you've connected the cable");
}

void CCanWizardPage5c::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdConfirm || kind != ui::EventKind::Clicked) return;
  confirmed_ = true;
  wizard_.SetWizardButtons(Buttons());
}

CCanWizardPage5d::CCanWizardPage5d(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Serial Communication!", sheet) {
  std::vector<std::string> ports;
  for (int port = 1; port <= link::CommunicationSearch::kPorts; ++port)
    ports.push_back("Com" + std::to_string(port));
  std::vector<std::string> rates;
  for (std::int32_t rate : link::CommunicationSearch::kBaudRates)
    rates.push_back(std::to_string(rate));
  AddLabel(kIdPort + 10, "Serial Port");
  AddCombo(kIdPort, ports).sameRow = true;
  AddLabel(kIdBaud + 10, "Baudrate");
  AddCombo(kIdBaud, rates).sameRow = true;
  AddButton(kIdSearch, "&Search Communication Setting");
}

void CCanWizardPage5d::ShowSettings() {
  const link::CommSettings& settings = wizard_.Communication().Settings();
  int port = -1;
  for (int i = 0; i < link::CommunicationSearch::kPorts; ++i)
    if (settings.portName == "Com" + std::to_string(i + 1)) port = i;
  // A rate the list does not offer shows as 38400.
  int baud = 3;
  int index = 0;
  for (std::int32_t rate : link::CommunicationSearch::kBaudRates) {
    if (rate == settings.baudRate) baud = index;
    ++index;
  }
  SetSelection(kIdPort, port);
  SetSelection(kIdBaud, baud);
}

void CCanWizardPage5d::Reopen() {
  link::ZelCommunication& communication = wizard_.Communication();
  link::CommSettings settings = communication.Settings();
  const int port = Selection(kIdPort);
  const int baud = Selection(kIdBaud);
  if (port >= 0) settings.portName = "Com" + std::to_string(port + 1);
  if (baud >= 0 && baud < static_cast<int>(std::size(link::CommunicationSearch::kBaudRates)))
    settings.baudRate = link::CommunicationSearch::kBaudRates[baud];
  communication.OpenLink(settings);
}

void CCanWizardPage5d::OnEvent(int id, ui::EventKind kind) {
  if ((id == kIdPort || id == kIdBaud) && kind == ui::EventKind::Selection) {
    Reopen();
  } else if (id == kIdSearch && kind == ui::EventKind::Clicked) {
    link::SearchCommunication(wizard_.Communication(), true);
    ShowSettings();
  }
}

int CCanWizardPage5d::NextPage() {
  std::uint16_t error = 0;
  if (wizard_.Communication().Status().ReadError(error)) return 311;
  ui::CurrentHost().ShowMessage(kNoCommunication);
  return 0;
}

CCanWizardPage5e::CCanWizardPage5e(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Module ID Configuration via this PC!", sheet) {
  AddLabel(kIdModuleId + 10, "Module ID");
  AddEdit(kIdModuleId, "1").sameRow = true;
  AddButton(kIdSet, "&Set Module ID");
  AddLabel(kIdSet + 10, "Set the module ID with this button (area 1 ... 127)");
  AddLabel(kIdSet + 11,
           "Then connect the next ZEL without DIP switch to the serial port and repeat.");
}

void CCanWizardPage5e::Entered() {
  setting_ = std::make_unique<ModuleIdSetting>(wizard_.Communication());
  // The setting keeps whether this read succeeded: without the rate it sets no ID, so "&Set
  // Module ID" then says "Command failed!" instead of storing a rate of 0/0.
  setting_->ReadBitRate();
}

void CCanWizardPage5e::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdSet || kind != ui::EventKind::Clicked || !setting_) return;
  std::uint16_t moduleId = 0;
  if (parameters::NumberText::ParseUInt16(Text(kIdModuleId), moduleId) !=
          parameters::NumberTextError::kNone ||
      moduleId < ModuleIdSetting::kFirstId || moduleId > ModuleIdSetting::kLastId) {
    ui::CurrentHost().ShowMessage(kBadId);
    SetFocus(kIdModuleId);
    return;
  }
  const ModuleIdSetting::Result result = setting_->Set(
      moduleId, [](const char* question) { return ui::CurrentHost().AskYesNo(question); });
  if (result == ModuleIdSetting::Result::kDeclined) return;
  ui::CurrentHost().ShowMessage(
      result == ModuleIdSetting::Result::kDone ? ModuleIdSetting::kDone : ModuleIdSetting::kFailed);
}

}  // namespace zel::can
