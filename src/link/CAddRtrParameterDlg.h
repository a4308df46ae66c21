#pragma once

#include <cstdint>
#include <string>

#include "link/RtrEntry.h"
#include "ui/Window.h"

namespace zel::parameters {
class CParameterTable;
}

namespace zel::link {

// "Add RTR Parameter": which value an RTR channel sends. In parameter mode the entry names a
// definition of the list (system definitions, then status values from 128) and takes its
// width; in address mode the user gives the address and the width.
class CAddRtrParameterDlg : public ui::Window {
 public:
  static constexpr int kIdChannel0 = 1500;
  static constexpr int kIdChannel1 = 1501;
  static constexpr int kIdParameterMode = 1502;
  static constexpr int kIdAddressMode = 1503;
  static constexpr int kIdWord = 1504;
  static constexpr int kIdLongWord = 1505;
  static constexpr int kIdParameters = 1506;
  static constexpr int kIdAddress = 1507;
  static constexpr int kIdHex = 1508;
  static constexpr int kIdDec = 1509;

  // channel < 0: the user chooses it; otherwise it is fixed.
  CAddRtrParameterDlg(std::string title, int channel, const parameters::CParameterTable& table);
  const RtrEntry& Entry() const { return entry_; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;

 private:
  void UpdateModes();

  const parameters::CParameterTable& table_;
  RtrEntry entry_;
  bool hexadecimal_ = true;
};

}  // namespace zel::link
