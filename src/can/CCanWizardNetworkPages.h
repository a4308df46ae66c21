#pragma once

#include <cstdint>
#include <vector>

#include "can/CCanWizardPage.h"

namespace zel::parameters {
class CParameterTable;
}

namespace zel::can {

// The CAN wizard's pages after the search: how the ZEL joins the network, the identifier tables
// of the found modules, their parameters and the summary. Values a module does not give show as
// 0. UI thread.

// 263: through the RS232 gateway or a CAN interface.
class CCanWizardPage7 final : public CCanWizardPage {
 public:
  static constexpr int kId = 263;
  static constexpr int kIdRs232 = 5400;
  static constexpr int kIdCanInterface = 5401;
  explicit CCanWizardPage7(CCanWizardSheet& sheet);

 protected:
  int NextPage() override;
};

// 282: SDO identifiers.
class CCanWizardPage7a final : public CCanWizardPage {
 public:
  static constexpr int kId = 282;
  static constexpr int kIdTable = 5410;
  explicit CCanWizardPage7a(CCanWizardSheet& sheet);

 protected:
  void Entered() override;
  int NextPage() override { return 283; }
};

// 283: PDO identifiers; each module's PDO is switched as its check box shows on Next.
class CCanWizardPage7b final : public CCanWizardPage {
 public:
  static constexpr int kId = 283;
  static constexpr int kIdTable = 5420;
  static constexpr int kIdPdoOn = 5421;
  explicit CCanWizardPage7b(CCanWizardSheet& sheet);

  const std::vector<bool>& Checks() const { return checks_; }

 protected:
  void Entered() override;
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override;

 private:
  void ReadRow(std::size_t row);
  void ShowRows();
  void EditRow(std::size_t row);

  std::vector<std::vector<std::string>> rows_;
  std::vector<bool> active_;
  std::vector<bool> checks_;
  // The row's three values were read from the module: only then is anything written from it.
  std::vector<bool> known_;
  std::vector<std::uint16_t> rpdo_;
  std::vector<std::uint16_t> tpdo_;
};

// 315: RTR identifiers and channel states.
class CCanWizardPage7c final : public CCanWizardPage {
 public:
  static constexpr int kId = 315;
  static constexpr int kIdTable = 5430;
  explicit CCanWizardPage7c(CCanWizardSheet& sheet);

 protected:
  void Entered() override;
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override { return 264; }

 private:
  std::vector<std::string> Row(std::uint16_t module);
};

// 264: each module's parameters.
class CCanWizardPage8 final : public CCanWizardPage {
 public:
  static constexpr int kId = 264;
  static constexpr int kIdModules = 5440;
  static constexpr int kIdEdit = 5441;
  static constexpr const char* kStored = "Changed Parameters are permanently stored!";
  explicit CCanWizardPage8(CCanWizardSheet& sheet);

 protected:
  void Entered() override;
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override { return 285; }
};

// 285: the summary.
class CCanWizardPage9 final : public CCanWizardPage {
 public:
  static constexpr int kId = 285;
  static constexpr int kIdCount = 5450;
  static constexpr int kIdBaudrate = 5451;
  static constexpr int kIdInterface = 5452;
  explicit CCanWizardPage9(CCanWizardSheet& sheet);

 protected:
  void Entered() override;
  unsigned Buttons() const override { return ui::kWizBack | ui::kWizFinish; }
  int NextPage() override { return 0; }
};

// "PDO Channels of CAN Module %i": both PDO identifiers and the PDO switch.
class CPdoChannelsDlg final : public ui::Window {
 public:
  static constexpr int kIdRpdo = 5460;
  static constexpr int kIdTpdo = 5461;
  static constexpr int kIdPdo = 5462;
  CPdoChannelsDlg(const parameters::CParameterTable& table, std::uint16_t module,
                  std::uint16_t rpdo, std::uint16_t tpdo, bool on);

  std::uint16_t Rpdo() const { return rpdo_; }
  std::uint16_t Tpdo() const { return tpdo_; }
  bool On() const { return Value(kIdPdo) != 0; }

 protected:
  void OnOK() override;

 private:
  const parameters::CParameterTable& table_;
  std::uint16_t rpdo_;
  std::uint16_t tpdo_;
};

}  // namespace zel::can
