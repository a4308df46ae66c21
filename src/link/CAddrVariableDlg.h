#pragma once

#include <cstdint>
#include <string>

#include "link/ServiceGroup.h"
#include "ui/CommandOutcome.h"
#include "ui/Window.h"

namespace zel::link {

// The "ReadAddrVariable" dialog: which ZEL variable (hexadecimal address) and in which format.
class CReadAddrVariableDlg : public ui::Window {
 public:
  static constexpr int kIdAddress = 1040;
  static constexpr int kIdFormat = 1041;

  explicit CReadAddrVariableDlg(const AddrVariableInput& last);
  uint16_t Address() const { return address_; }
  AddrVariableFormat Format() const;

 protected:
  void OnOK() override;

 private:
  uint16_t address_;
};

// The "EditAddrVariable" dialog: the variable's value in hexadecimal or decimal, signed or
// unsigned as the format says; OK hands back the new value.
class CEditAddrVariableDlg : public ui::Window {
 public:
  static constexpr int kIdAddress = 1050;
  static constexpr int kIdValue = 1051;
  static constexpr int kIdHexadecimal = 1052;
  static constexpr int kIdDecimal = 1053;

  CEditAddrVariableDlg(uint16_t address, AddrVariableFormat format, uint32_t value);
  uint32_t NewValue() const { return value_; }

  // The text of value in the format, hexadecimal ("0x%.4X"/"0x%.8X") or decimal.
  static std::string FormatValue(AddrVariableFormat format, uint32_t value, bool hexadecimal);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;

 private:
  bool ParseValue(uint32_t& value) const;

  AddrVariableFormat format_;
  uint32_t value_;
  bool hexadecimal_ = true;
};

// The edit-address-variable command: the two dialogs around ReadAddrVariable and
// SetAddrVariable, remembering address, format and value for the next call. Failed when an
// exchange failed; a ZEL that refuses the value (not in service mode) has been told by the group.
ui::CommandOutcome RunEditAddrVariable(ServiceGroup& service);

}  // namespace zel::link
