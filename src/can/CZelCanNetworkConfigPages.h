#pragma once

#include <cstdint>
#include <vector>

#include "parameters/SystemParameterBlock.h"
#include "ui/PropertySheet.h"

namespace zel::can {

class CZelCanNetworkConfigDlg;

// A settings page of the "CAN Network" sheet: a copy of the ZEL's temporary system parameters,
// read when the page is shown and written back whole, and saved, when it is left. The CAN
// parameters show as hexadecimal text. UI thread.
class CZelCanNetworkSettingsPage : public ui::PropertyPage {
 public:
  struct Field {
    int id;
    std::int16_t number;
  };

  CZelCanNetworkSettingsPage(std::string caption, CZelCanNetworkConfigDlg& sheet);

  const parameters::SystemParameterBlock& Block() const { return block_; }
  bool BlockRead() const { return blockRead_; }
  bool OnApply() override { return true; }

 protected:
  // Reads the block and shows the fields; a failed read leaves them as they were.
  bool Load();
  void ShowField(const Field& field);
  // Checks fields in order; the first failing one gets the focus (Part of the message is the
  // definition's). The accepted values go into the block.
  bool Validate(const std::vector<Field>& fields);
  // Writes the whole block and saves it; "Command failed!" when either fails.
  bool WriteBlock();
  // The ZEL's own module ID as the block read when the page opened holds it; false when no
  // block was read, since its 0 would reach CAN ID 0 and not this ZEL.
  bool OwnModuleId(std::uint16_t& moduleId) const;
  bool ReadCanConfig(std::uint16_t& config);

  CZelCanNetworkConfigDlg& sheet_;
  parameters::SystemParameterBlock block_;
  bool blockRead_ = false;
};

// Page 1, "PDO": the node's own identity, identifiers and bit rate.
class CZelCanNetworkConfig_PdoDlg final : public CZelCanNetworkSettingsPage {
 public:
  static constexpr int kIdModuleId = 5700;
  static constexpr int kIdServiceId = 5701;
  static constexpr int kIdRpdo = 5702;
  static constexpr int kIdTpdo = 5703;
  static constexpr int kIdBcr1 = 5704;
  static constexpr int kIdBcr2 = 5705;
  static constexpr int kIdOpMode = 5706;
  static constexpr int kIdPdo = 5707;
  static constexpr int kIdSetModuleId = 5710;
  static constexpr int kIdReadModuleId = 5711;
  static constexpr int kIdSetServiceId = 5712;
  static constexpr int kIdSetBcr1 = 5713;
  static constexpr int kIdSetBcr2 = 5714;
  static constexpr int kLabelOffset = 100;

  explicit CZelCanNetworkConfig_PdoDlg(CZelCanNetworkConfigDlg& sheet);

  bool OnSetActive() override;
  bool OnKillActive() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void Reload();
  void ShowPdoState();
  void TogglePdo();

  bool pdoOn_ = false;
};

// Page 2, "Parameter/Motion/Status": operations on a module chosen by its ID.
class CZelCanNetworkConfig_ParamDlg final : public ui::PropertyPage {
 public:
  static constexpr int kIdFirst = 5720;
  explicit CZelCanNetworkConfig_ParamDlg(CZelCanNetworkConfigDlg& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  CZelCanNetworkConfigDlg& sheet_;
};

// Page 3, "Bus Commands/Service/Reset".
class CZelCanNetworkConfig_BusDlg final : public ui::PropertyPage {
 public:
  static constexpr int kIdSendNmt = 5740;
  static constexpr int kIdSendRtr = 5741;
  static constexpr int kIdSendCanMsg = 5742;
  static constexpr int kIdGetRemoteData = 5743;
  static constexpr int kIdReadCanError = 5744;
  static constexpr int kIdEnterService = 5745;
  static constexpr int kIdQuitService = 5746;
  static constexpr int kIdAddrVariable = 5747;
  static constexpr int kIdResetCan = 5748;
  static constexpr int kIdResetCanError = 5749;
  static constexpr int kIdResetGroup = 5750;
  explicit CZelCanNetworkConfig_BusDlg(CZelCanNetworkConfigDlg& sheet);

  bool OnSetActive() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  CZelCanNetworkConfigDlg& sheet_;
};

// Page 4, "RTR/SDO": from software version 0x1040 only.
class CZelCanNetworkConfig_RtrDlg final : public CZelCanNetworkSettingsPage {
 public:
  static constexpr int kIdRtr0 = 5760;
  static constexpr int kIdRtr1 = 5761;
  static constexpr int kIdRsdo = 5762;
  static constexpr int kIdTsdo = 5763;
  static constexpr int kIdRtr0Active = 5764;
  static constexpr int kIdRtr1Active = 5765;
  static constexpr int kIdConfigRtr = 5766;
  static constexpr int kIdGetRtr = 5767;
  static constexpr int kIdOldVersion = 5768;
  static constexpr int kLabelOffset = 100;
  static constexpr const char* kOldVersionText =
      "Only available from software version 0x1040 and higher!";

  explicit CZelCanNetworkConfig_RtrDlg(CZelCanNetworkConfigDlg& sheet);

  bool OnSetActive() override;
  bool OnKillActive() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  bool NewVersion() const;
  void Reload();
  void ShowStates();
  // Validates (from 0x1040) and writes the page's values; false keeps the page.
  bool WriteValues();

  bool on_[2] = {false, false};
};

}  // namespace zel::can
