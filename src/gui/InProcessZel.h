#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zel::sim {
class ControlChannel;
class Simulator;
struct SimulatorCommandLine;
}  // namespace zel::sim

namespace zel::gui {

// zelgui --simulate: a simulated ZEL run inside the desktop program, on a pseudo-terminal of its
// own, so a trainee can walk every view and wizard without hardware. The device takes zelsim's
// options with their meaning; without --link its line is linked in a fresh folder under the
// temporary folder, which goes again with the device.
class InProcessZel {
 public:
  static constexpr const char* kOption = "--simulate";
  static constexpr const char* kTitleMark = " (simulation)";

  InProcessZel();
  ~InProcessZel();
  InProcessZel(const InProcessZel&) = delete;
  InProcessZel& operator=(const InProcessZel&) = delete;

  // Takes the arguments after kOption out of the program's own: they are the device's. False
  // when kOption is not among them.
  static bool SplitArguments(std::vector<std::string>& programArguments,
                             std::vector<std::string>& deviceArguments);

  enum class Outcome { kRunning, kHelpShown, kUsageError, kFailed };
  // Reads the device options and starts the device (and its control channel when asked);
  // `message` says what went wrong, or holds the help text.
  Outcome Start(const std::vector<std::string>& deviceArguments, std::string& message);
  void Stop();

  std::string LinkPath() const;
  uint32_t Baud() const;

 private:
  std::unique_ptr<sim::SimulatorCommandLine> commandLine_;
  std::unique_ptr<sim::Simulator> simulator_;
  std::unique_ptr<sim::ControlChannel> control_;
  std::string ownFolder_;
};

}  // namespace zel::gui
