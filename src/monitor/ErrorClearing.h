#pragma once

#include <cstdint>
#include <string>

namespace zel::link {
class ParameterGroup;
class StatusGroup;
}  // namespace zel::link

namespace zel::monitor {

// Clearing the ZEL's errors switches its power stage back on when the drive is still enabled
// (by the input 'Enable' or by software), and the motor then runs up to its set value at once.
// Every way of clearing (the menu, the status view, the "Read Error" window, zelctl) asks first
// when that will happen, naming the set value, so nobody restarts a drive without knowing it.
class ErrorClearing {
 public:
  // What the drive will do when its errors are cleared, from the words read just before.
  struct Check {
    // The command whose read failed ("ReadError", "ReadSysStatus", "ReadTempParam"); empty when
    // every word was read.
    std::string failedRead;
    // The question to ask; empty when clearing leaves the drive standing as it stands.
    std::string question;
  };

  enum class Outcome { kCleared, kDeclined, kFailed };

  // Reads the error word, the status word, SysConfig and the set value of the regulation mode.
  static Check CheckRestart(link::ParameterGroup& parameters, link::StatusGroup& status);
  // The question for a drive that runs again at setValue; current regulation is in mA.
  static std::string Question(bool currentRegulation, int setValue);
  // Whether a drive in this state runs again once its errors are gone: errors present, the
  // drive enabled with its power stage off, and no stop holding it.
  static bool RestartsOnClear(std::uint16_t errorWord, std::uint16_t statusWord);

  // Asks when the drive would run again (default No), then clears with ClearError. kFailed when
  // a read or the clear failed; nothing is cleared after a failed read.
  static Outcome AskAndClear(link::ParameterGroup& parameters, link::StatusGroup& status);
};

}  // namespace zel::monitor
