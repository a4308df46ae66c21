#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/CommSettings.h"
#include "ui/Window.h"

namespace zel::link {

class ZelCommunication;

// The "Communication" dialog: port, baud rate, time-out and transmit trials of the device link.
//
// Whatever way it closes, the link is opened again at once: after OK with the edited settings,
// after Cancel with the stored settings exactly as they were. A stored baud rate that the list
// does not offer (the communication search can find 14400) is shown as an extra entry, so
// confirming the dialog without touching it keeps a working link working.
//
// Beside the port list it shows the device the selected port opens (the port map's by-id name
// and driver, or "not present"), and lets the user assign another device to the port; the
// assignment is kept in the port map, not in the settings. When the program was started for
// one device path (--device), every port opens that path and the dialog shows it.
class CCommunicationDlg : public ui::Window {
 public:
  static constexpr int kIdPort = 1000;
  static constexpr int kIdBaud = 1001;
  static constexpr int kIdTimeout = 1002;
  static constexpr int kIdTrials = 1003;
  static constexpr int kIdDevice = 1004;
  static constexpr int kIdAssignPath = 1005;
  static constexpr int kIdAssign = 1006;

  static const std::vector<int32_t>& BaudRates();

  explicit CCommunicationDlg(const CommSettings& stored, std::string fixedDevice = {});

  // The settings the dialog holds (the stored ones with the edited fields replaced).
  const CommSettings& Chosen() const { return chosen_; }

  // The serial port settings command: runs the dialog and re-opens the link. True when the link
  // opened afterwards.
  static bool Run(ZelCommunication& communication);

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  bool ReadField(int id, int32_t minimum, int32_t maximum, int32_t& value);
  // Shows the device of the selected port.
  void ShowDevice();

  CommSettings chosen_;
  std::vector<int32_t> rates_;
  std::string fixedDevice_;
};

}  // namespace zel::link
