#include "can/ModuleParameterEditing.h"

#include "can/CanModule.h"
#include "can/ModuleParameterDevice.h"
#include "link/CServiceDlg.h"
#include "parameters/CEditTempParamDlg.h"
#include "parameters/CZelParameterDlg.h"

namespace zel::can {

ui::CommandOutcome ModuleParameterEditing::EditAll(CanModule& module,
                                                   const parameters::CParameterTable& table,
                                                   std::uint16_t destination) {
  if (!module.CompatibilityCheck(destination)) return ui::CommandOutcome::kCancelled;
  ModuleParameterDevice device(module, destination);
  const parameters::ParameterSheetSetup setup("EditAllTempParam",
                                              ServiceModeEntry(module, destination),
                                              parameters::ParameterSheetSetup::Defaults::kAllowed);
  return parameters::CZelParameterDlg::EditAllTempParam(table, device, setup);
}

std::function<bool()> ModuleParameterEditing::ServiceModeEntry(CanModule& module,
                                                               std::uint16_t destination) {
  return [&module, destination] {
    link::CServiceDlg dlg;
    if (dlg.DoModal() != ui::kResultOk) return false;
    std::uint16_t answer = 0;
    return module.Service(destination, dlg.Password(), answer) &&
           answer == CanModule::kServiceAccepted;
  };
}

ui::CommandOutcome ModuleParameterEditing::EditOne(CanModule& module,
                                                   const parameters::CParameterTable& table,
                                                   std::uint16_t destination) {
  if (!module.CompatibilityCheck(destination)) return ui::CommandOutcome::kCancelled;
  ModuleParameterDevice device(module, destination);
  return parameters::CEditTempParamDlg::EditTempParam(table, device);
}

}  // namespace zel::can
