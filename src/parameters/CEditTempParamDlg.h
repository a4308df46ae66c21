#pragma once

#include <cstdint>
#include <string>

#include "parameters/NumberText.h"
#include "parameters/ParameterDevice.h"
#include "ui/CommandOutcome.h"
#include "ui/Window.h"

namespace zel::parameters {

class CParameterTable;

// "Select a parameter": the names of all definitions in table order.
class CSelectParameterDlg : public ui::Window {
 public:
  static constexpr int kIdList = 1700;

  explicit CSelectParameterDlg(const CParameterTable& table);
  // The parameter number of the chosen list position: system parameters by position, status
  // values from 128 on; -1 when nothing was chosen.
  int ChosenNumber() const { return chosen_; }

 protected:
  void OnOK() override;
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  const CParameterTable& table_;
  int chosen_ = -1;
};

// "EditTempParam": one parameter's value in hexadecimal or decimal; OK converts and checks it
// against the definition and stays open on a bad value.
class CEditTempParamDlg : public ui::Window {
 public:
  static constexpr int kIdName = 1710;
  static constexpr int kIdValue = 1711;
  static constexpr int kIdHex = 1712;
  static constexpr int kIdDec = 1713;

  CEditTempParamDlg(const CParameterTable& table, std::int16_t number, std::uint32_t value);
  std::uint32_t Value() const { return value_; }

  // "Edit Temp Systemparameter" on the serial ZEL or a module. Not editable under the current
  // SysConfig: nothing is written, and the command still counts as done.
  static ui::CommandOutcome EditTempParam(const CParameterTable& table, ParameterDevice& device);

 protected:
  void OnOK() override;
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  NumberFormat Format() const;
  void ShowValue();

  const CParameterTable& table_;
  std::int16_t number_;
  std::uint32_t value_;
};

}  // namespace zel::parameters
