#pragma once

#include <string>
#include <string_view>

namespace zel::sim {

class Simulator;

// The commands a person or a test gives the running device, one line each, answered with one
// line: "ok" (with facts where the command reports some) or "error: ..." when nothing was
// changed. A line is checked whole before anything takes effect.
//
// Thread rules: Execute may run on any thread while the device serves; it only uses the
// simulator's thread-safe members. It never blocks on the line.
class ControlCommands {
 public:
  explicit ControlCommands(Simulator& simulator) : simulator_(simulator) {}

  std::string Execute(std::string_view line);

  // The command table for --help.
  static const char* Help();

 private:
  std::string State() const;
  std::string FaultList() const;

  Simulator& simulator_;
};

}  // namespace zel::sim
