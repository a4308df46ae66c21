#pragma once

#include <cstdint>
#include <string>

#include "monitor/CWordDlg.h"

namespace zel::link {
class StatusGroup;
}

namespace zel::monitor {

// "ReadSysStatus": a lamp and a text for each of the 16 bits of the system status word.
class CSysStatusDlg final : public CWordDlg {
 public:
  static constexpr int kIdFirstLamp = 1400;  // + bit
  static constexpr int kIdFirstText = 1420;  // + bit

  // The RS232 ZEL's status word.
  explicit CSysStatusDlg(link::StatusGroup& status);
  // Any other status word, e.g. a CAN module's, under a title naming it.
  CSysStatusDlg(std::string title, ReadWord read);

  void ShowWord(std::uint16_t word) override;
  std::uint16_t Word() const { return word_; }

 private:
  std::uint16_t word_ = 0;
};

}  // namespace zel::monitor
