#pragma once

#include <cstdint>
#include <string>

#include "ui/CommandOutcome.h"
#include "ui/Window.h"

namespace zel::link {

class ParameterGroup;

// The "ReadVersion" dialog: the four identity words of the ZEL.
class CReadVersionDlg : public ui::Window {
 public:
  static constexpr int kIdSoftwareVersion = 1030;
  static constexpr int kIdHardwareVersion = 1031;
  static constexpr int kIdApplicationNumber = 1032;
  static constexpr int kIdApplicationVersion = 1033;

  CReadVersionDlg(uint16_t softwareVersion, uint16_t hardwareVersion, uint16_t applicationNumber,
                  uint16_t applicationVersion);

  // "0x%.4X"
  static std::string FormatWord(uint16_t word);

  // The read-version command: ReadVersion, then the dialog. Failed when the read failed.
  static ui::CommandOutcome Run(ParameterGroup& parameters);
};

}  // namespace zel::link
