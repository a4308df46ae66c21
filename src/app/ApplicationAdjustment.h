#pragma once

namespace zel::link {
class ZelCommunication;
}

namespace zel::app {

// Firmware up to 0x1000 does not derive its speed scaling from the encoder resolution itself:
// after a temporary parameter edit the tool computes three address variables from parameter 20
// and writes them in service mode, then puts SysConfig back as it was (the service password
// sets its service bit). Reports success without a message box; the caller refreshes either
// way. A resolution whose Q does not fit the 16-bit write is refused with a message before
// anything is sent. UI thread.
bool RunApplicationAdjustment(link::ZelCommunication& communication);

// The three values, rounded as the ZEL's documentation gives them, for an encoder resolution of
// r pulses per turn (r > 0).
struct AdjustmentValues {
  double p = 0;  // address variable 794
  double q = 0;  // 809
  double s = 0;  // 793
};
AdjustmentValues ComputeAdjustment(unsigned r);

}  // namespace zel::app
