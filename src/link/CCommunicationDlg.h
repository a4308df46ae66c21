#pragma once

#include <cstdint>
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
class CCommunicationDlg : public ui::Window {
 public:
  static constexpr int kIdPort = 1000;
  static constexpr int kIdBaud = 1001;
  static constexpr int kIdTimeout = 1002;
  static constexpr int kIdTrials = 1003;

  static const std::vector<int32_t>& BaudRates();

  explicit CCommunicationDlg(const CommSettings& stored);

  // The settings the dialog holds (the stored ones with the edited fields replaced).
  const CommSettings& Chosen() const { return chosen_; }

  // The serial port settings command: runs the dialog and re-opens the link. True when the link
  // opened afterwards.
  static bool Run(ZelCommunication& communication);

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  bool ReadField(int id, int32_t minimum, int32_t maximum, int32_t& value);

  CommSettings chosen_;
  std::vector<int32_t> rates_;
};

}  // namespace zel::link
