#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "parameters/CZelParameterPages.h"
#include "parameters/ParameterDevice.h"
#include "ui/CommandOutcome.h"
#include "ui/PropertySheet.h"

namespace zel::parameters {

class CParameterTable;

// The parameter sheet: six pages over one block of the 42 system parameters. Applying
// validates every page, gathers the block from all pages in tab order and writes it in one
// command; nothing is written while the sheet is off line (editing a file, for instance).
// The CAN variant, CZelCanParameterDlg, is the same sheet bound to a module.
//
// The sheet and its pages live on the stack of the command that shows them; the device and the
// table outlive them. UI thread.
class CZelParameterDlg : public ui::PropertySheet {
 public:
  static constexpr const char* kWriteFailed = "Failed writing system parameter!";

  // module 0: the serial ZEL.
  CZelParameterDlg(std::string caption, const CParameterTable& table, ParameterDevice& device,
                   std::uint16_t softwareVersion, std::uint16_t module = 0);

  // Distributes block to every page.
  void Fill(const SystemParameterBlock& block);
  // The block as the pages now show it, gathered in tab order into the block last distributed.
  SystemParameterBlock Gather() const;

  void SetApplying(bool applying) { applying_ = applying; }
  void SetForceEnable(bool force) { forceEnable_ = force; }
  void SetReadOnly(bool readOnly);
  void SetDefaultDisabled(bool disabled);
  // The password dialog behind "Service Mode"; true when the password was accepted.
  void SetServiceModeEntry(std::function<bool()> enter) { enterServiceMode_ = std::move(enter); }

  const CParameterTable& Table() const { return table_; }
  std::uint16_t SoftwareVersion() const { return softwareVersion_; }
  bool ForModule() const { return module_ != 0; }
  bool ForcesEnable() const { return forceEnable_; }
  // Enable "Set by software" on the System Configuration page.
  bool SelectedSoftwareEnabling() const { return systemConfiguration_.SoftwareEnabling(); }
  CZelParameterPage& ParameterPage(int index);

  // The pages' calls.
  void Redistribute();
  void SetDefaults();
  bool ApplyFromPage(CZelParameterPage& page);
  bool EnterServiceMode() { return enterServiceMode_ && enterServiceMode_(); }

  // "Edit All Temp Systemparameter" for the serial ZEL (module 0) or a module: reads the block
  // and version, shows the sheet on line with the drive disabled by software, and restores the
  // enabling with the source chosen on the System Configuration page. kFailed when a read
  // failed (the caller's "Command failed!").
  static ui::CommandOutcome EditAllTempParam(const CParameterTable& table, ParameterDevice& device,
                                             std::function<bool()> enterServiceMode,
                                             std::string caption = "EditAllTempParam");

 private:
  const CParameterTable& table_;
  ParameterDevice& device_;
  std::uint16_t softwareVersion_;
  std::uint16_t module_;
  bool applying_ = false;
  bool forceEnable_ = false;
  std::function<bool()> enterServiceMode_;
  SystemParameterBlock block_;
  CZelPar_SystemConfigurationDlg systemConfiguration_;
  CZelPar_CommunicationDlg communication_;
  CZelPar_RegulationDlg regulation_;
  CZelPar_SystemDlg system_;
  CZelPar_MiscellaneousDlg miscellaneous_;
  CZelPar_CanParamDlg canParam_;
};

// The sheet of a CAN module (module 2 when none is given): caption " of CAN Module %i", block
// and version through the gateway, SysConfig bits 1 and 6 written as 0.
class CZelCanParameterDlg : public CZelParameterDlg {
 public:
  CZelCanParameterDlg(std::string caption, const CParameterTable& table, ParameterDevice& device,
                      std::uint16_t softwareVersion);
};

}  // namespace zel::parameters
