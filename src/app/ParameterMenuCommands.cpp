#include "app/ParameterMenuCommands.h"

#include "can/CanModule.h"
#include "can/ModuleParameterEditing.h"
#include "link/CServiceDlg.h"
#include "link/SerialParameterDevice.h"
#include "link/ZelCommunication.h"
#include "parameters/CEditTempParamDlg.h"
#include "parameters/CZelParameterDlg.h"

namespace zel::app {

namespace {

constexpr int kEditAll = 32774;
constexpr int kEditOne = 32775;
constexpr int kModuleEditAll = 32886;
constexpr int kModuleEditOne = 32868;

}  // namespace

ParameterMenuCommands::ParameterMenuCommands(link::ZelCommunication& communication)
    : communication_(communication),
      module_(std::make_unique<can::CanModule>(communication.Can(), communication.Parameter())) {}

ParameterMenuCommands::~ParameterMenuCommands() = default;

bool ParameterMenuCommands::Handles(int id) {
  return id == kEditAll || id == kToolEditAll || id == kEditOne || id == kModuleEditAll ||
         id == kModuleEditOne;
}

bool ParameterMenuCommands::EditsTheZel(int id) {
  return id == kEditAll || id == kToolEditAll || id == kEditOne;
}

ui::CommandOutcome ParameterMenuCommands::Run(int id) {
  if (id == kModuleEditAll || id == kModuleEditOne) return RunOnModule(id);
  link::ZelCommunication& comm = communication_;
  link::SerialParameterDevice device(comm.Parameter(), comm.Status());
  if (id == kEditOne)
    return parameters::CEditTempParamDlg::EditTempParam(comm.Definitions(), device);
  const parameters::ParameterSheetSetup setup(
      "EditAllTempParam",
      [&comm] { return link::CServiceDlg::EnterServiceMode(comm.Service(), comm.Parameter()); },
      parameters::ParameterSheetSetup::Defaults::kAllowed);
  return parameters::CZelParameterDlg::EditAllTempParam(comm.Definitions(), device, setup);
}

ui::CommandOutcome ParameterMenuCommands::RunOnModule(int id) {
  // A cancelled "CanBus Destination" or value dialog fails the module command; only the sheet,
  // closed with Cancel, is the technician's choice not to change anything.
  std::uint16_t destination = 0;
  if (!module_->Destination(destination)) return ui::CommandOutcome::kFailed;
  const auto& table = communication_.Definitions();
  if (id == kModuleEditOne) {
    const ui::CommandOutcome outcome =
        can::ModuleParameterEditing::EditOne(*module_, table, destination);
    return outcome == ui::CommandOutcome::kCancelled ? ui::CommandOutcome::kFailed : outcome;
  }
  return can::ModuleParameterEditing::EditAll(*module_, table, destination);
}

}  // namespace zel::app
