#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "parameters/CZelParameterPages.h"
#include "parameters/ParameterDevice.h"
#include "ui/CommandOutcome.h"
#include "ui/PropertySheet.h"

namespace zel::parameters {

class CParameterTable;

// What differs between the ways the sheet is opened (the menu, a parameter file, the download
// wizard, a CAN module). Each is given where the sheet is built, none has a default, so that no
// way of opening it can leave them out: without the hook, clicking "Service Mode" would only
// uncheck it again.
struct ParameterSheetSetup {
  enum class Defaults { kAllowed, kDisabled };

  ParameterSheetSetup(std::string caption, std::function<bool()> enterServiceMode,
                      Defaults defaults)
      : caption(std::move(caption)),
        enterServiceMode(std::move(enterServiceMode)),
        defaults(defaults) {}

  std::string caption;
  // The password dialog behind "Service Mode"; true when the device took the password.
  std::function<bool()> enterServiceMode;
  // "Set &Default" on every page; the download wizard disables it.
  Defaults defaults;
};

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
  CZelParameterDlg(const ParameterSheetSetup& setup, const CParameterTable& table,
                   ParameterDevice& device, std::uint16_t softwareVersion,
                   std::uint16_t module = 0);

  // Distributes block to every page.
  void Fill(const SystemParameterBlock& block);
  // The block as the pages now show it, gathered in tab order into the block last distributed.
  SystemParameterBlock Gather() const;

  void SetApplying(bool applying) { applying_ = applying; }
  void SetForceEnable(bool force) { forceEnable_ = force; }
  void SetReadOnly(bool readOnly);
  bool DefaultsAllowed() const { return defaultsAllowed_; }
  bool HasServiceModeEntry() const { return static_cast<bool>(enterServiceMode_); }

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
                                             const ParameterSheetSetup& setup);
  // Built for one of those runs (the CAN sheet for a module); tests look at it through this.
  static std::unique_ptr<CZelParameterDlg> Create(const ParameterSheetSetup& setup,
                                                  const CParameterTable& table,
                                                  ParameterDevice& device,
                                                  std::uint16_t softwareVersion);

 private:
  const CParameterTable& table_;
  ParameterDevice& device_;
  std::uint16_t softwareVersion_;
  std::uint16_t module_;
  bool applying_ = false;
  bool forceEnable_ = false;
  bool defaultsAllowed_;
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
  CZelCanParameterDlg(const ParameterSheetSetup& setup, const CParameterTable& table,
                      ParameterDevice& device, std::uint16_t softwareVersion);
};

}  // namespace zel::parameters
