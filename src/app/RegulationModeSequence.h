#pragma once

#include <cstdint>

namespace zel::link {
class ParameterGroup;
class StatusGroup;
}  // namespace zel::link

namespace zel::app {

// The ZEL's regulation mode as the main window checks and changes it; the command line runs the
// same sequences. Modes are the regulation tab indices: 0 current, 1 speed. UI thread.
class RegulationModeSequence {
 public:
  static constexpr int kCurrent = 0;
  static constexpr int kSpeed = 1;
  static constexpr int kNone = -1;

  // Reads SysConfig: the mode whose view is to be brought forward, or kNone when the read failed
  // or a forbidden mode was rewritten to speed regulation (after its message).
  static int Check(link::ParameterGroup& parameters);

  // The user asks for mode: the 'Digital2' message, or the question and the switch with the
  // drive disabled meanwhile. False when SysConfig cannot be read or the switch could not be
  // made with the drive disabled.
  static bool Change(link::ParameterGroup& parameters, link::StatusGroup& status, int mode);
};

}  // namespace zel::app
