#include "parameters/CZelParameterDlg.h"

#include <array>
#include <memory>
#include <optional>

#include "parameters/CParameterTable.h"
#include "parameters/EnableSuspension.h"
#include "ui/Host.h"

namespace zel::parameters {

namespace {

constexpr std::uint16_t kNewCanCommandSet = 0x1040;
constexpr std::uint16_t kDefaultModule = 2;
constexpr std::uint16_t kEnableBySoftware = 0x1000;

std::string ModuleCaption(std::string caption, std::uint16_t module) {
  if (module != 0) caption += " of CAN Module " + std::to_string(module);
  return caption;
}

// The command's failure box follows; a drive left changed is named first.
ui::CommandOutcome FailedSuspension(const EnableSuspension& suspension) {
  if (!suspension.LeftWith().empty()) ui::CurrentHost().ShowMessage(suspension.LeftWith());
  return ui::CommandOutcome::kFailed;
}

}  // namespace

CZelParameterDlg::CZelParameterDlg(const ParameterSheetSetup& setup, const CParameterTable& table,
                                   ParameterDevice& device, std::uint16_t softwareVersion,
                                   std::uint16_t module)
    : ui::PropertySheet(ModuleCaption(setup.caption, module), false),
      table_(table),
      device_(device),
      softwareVersion_(softwareVersion),
      module_(module),
      defaultsAllowed_(setup.defaults == ParameterSheetSetup::Defaults::kAllowed),
      enterServiceMode_(setup.enterServiceMode),
      systemConfiguration_(*this),
      communication_(*this),
      regulation_(*this),
      system_(*this),
      miscellaneous_(*this),
      canParam_(*this) {
  for (int i = 0; i < 6; ++i) {
    AddPage(ParameterPage(i));
    ParameterPage(i).SetDefaultDisabled(!defaultsAllowed_);
  }
}

CZelParameterPage& CZelParameterDlg::ParameterPage(int index) {
  const std::array<CZelParameterPage*, 6> pages{
      &systemConfiguration_, &communication_, &regulation_, &system_, &miscellaneous_, &canParam_};
  return *pages.at(static_cast<std::size_t>(index));
}

void CZelParameterDlg::Fill(const SystemParameterBlock& block) {
  block_ = block;
  for (int i = 0; i < 6; ++i) ParameterPage(i).Fill(block);
}

SystemParameterBlock CZelParameterDlg::Gather() const {
  SystemParameterBlock block = block_;
  systemConfiguration_.GatherInto(block);
  communication_.GatherInto(block);
  regulation_.GatherInto(block);
  system_.GatherInto(block);
  miscellaneous_.GatherInto(block);
  canParam_.GatherInto(block);
  return block;
}

void CZelParameterDlg::SetReadOnly(bool readOnly) {
  for (int i = 0; i < 6; ++i) ParameterPage(i).SetReadOnly(readOnly);
}

void CZelParameterDlg::Redistribute() {
  Fill(Gather());
}

void CZelParameterDlg::SetDefaults() {
  const SystemParameterBlock current = Gather();
  SystemParameterBlock defaults = current;
  table_.DefaultsBlock(defaults);
  // The new CAN command set gives every module its own identity; a default would clash.
  if (softwareVersion_ >= kNewCanCommandSet)
    for (int keep : {30, 31, 37, 38})
      defaults.words[static_cast<std::size_t>(keep)] =
          current.words[static_cast<std::size_t>(keep)];
  Fill(defaults);
  for (int i = 0; i < 6; ++i) ParameterPage(i).UpdateEnabled();
}

bool CZelParameterDlg::ApplyFromPage(CZelParameterPage& page) {
  if (!page.Validate()) return false;
  // Every shown page validates first; the block goes out once, with the last of them.
  for (int i = 5; i >= 0; --i) {
    if (!ParameterPage(i).IsInitialized()) continue;
    if (&ParameterPage(i) != &page) return true;
    break;
  }
  if (!applying_) return true;
  const SystemParameterBlock shown = Gather();
  SystemParameterBlock written = shown;
  // The drive stays disabled by software while the sheet writes, whatever the page shows; the
  // Enable source chosen there is put back when the sheet closes.
  if (forceEnable_) written.words[1] |= kEnableBySoftware;
  if (!device_.WriteAllTempParam(written)) {
    ui::CurrentHost().ShowMessage(kWriteFailed);
    return false;
  }
  Fill(shown);
  return true;
}

std::unique_ptr<CZelParameterDlg> CZelParameterDlg::Create(const ParameterSheetSetup& setup,
                                                           const CParameterTable& table,
                                                           ParameterDevice& device,
                                                           std::uint16_t softwareVersion) {
  if (device.Module() != 0)
    return std::make_unique<CZelCanParameterDlg>(setup, table, device, softwareVersion);
  return std::make_unique<CZelParameterDlg>(setup, table, device, softwareVersion);
}

ui::CommandOutcome CZelParameterDlg::EditAllTempParam(const CParameterTable& table,
                                                      ParameterDevice& device,
                                                      const ParameterSheetSetup& setup) {
  SystemParameterBlock block;
  if (!device.ReadAllTempParam(block)) return ui::CommandOutcome::kFailed;
  DeviceIdentity identity;
  if (!device.ReadVersion(identity)) return ui::CommandOutcome::kFailed;
  std::unique_ptr<CZelParameterDlg> sheet = Create(setup, table, device, identity.softwareVersion);
  sheet->Fill(block);
  sheet->SetApplying(true);
  sheet->SetForceEnable(true);
  EnableSuspension suspension(device);
  if (!suspension.Suspend(true)) return FailedSuspension(suspension);
  const int result = sheet->DoModal();
  // A cancelled sheet leaves the enable source as it was found.
  std::optional<bool> softwareEnabling;
  if (result == ui::kResultOk) softwareEnabling = sheet->SelectedSoftwareEnabling();
  if (!suspension.Resume(true, softwareEnabling)) return FailedSuspension(suspension);
  return result == ui::kResultOk ? ui::CommandOutcome::kDone : ui::CommandOutcome::kCancelled;
}

CZelCanParameterDlg::CZelCanParameterDlg(const ParameterSheetSetup& setup,
                                         const CParameterTable& table, ParameterDevice& device,
                                         std::uint16_t softwareVersion)
    : CZelParameterDlg(setup, table, device, softwareVersion,
                       device.Module() != 0 ? device.Module() : kDefaultModule) {}

}  // namespace zel::parameters
