#pragma once

#include <atomic>
#include <cstdint>

#include "link/CommandFrame.h"

namespace zel::parameters {
class CParameterTable;
}

namespace zel::link {

class SerialLink;

// The base of every command group: one function per device command, each built by the same
// recipe:
//   1. no link: fail;
//   2. a fresh CommandFrame (empty bindings, reply allowance 0) with the opcode;
//   3. bind the results in reply order;
//   4. pack the arguments (Put8/Put16/Put32/PutByWidth); nothing packed sends one zero word;
//   5. set L from the packed bytes and the reply allowance if the command has one;
//   6. hand the frame to the link.
// Steps 1, 4 (the zero word) and 5 to 6 are Execute below; a command function does 2 to 4.
//
// The show flag lets command functions show their outcome messages and confirmations; it is off
// unless the owner turns it on (the desktop program does, scripts and the monitor do not).
//
// Thread rules: command functions may be called from any thread (the link serialises the line);
// the functions that show messages or keep remembered inputs belong to the user-interface thread.
class CommandGroup {
 public:
  CommandGroup(SerialLink* link, parameters::CParameterTable* definitions);
  virtual ~CommandGroup() = default;
  CommandGroup(const CommandGroup&) = delete;
  CommandGroup& operator=(const CommandGroup&) = delete;

  bool ShowFlag() const { return show_.load(); }
  void SetShowFlag(bool show) { show_.store(show); }

  SerialLink* Link() const { return link_; }
  parameters::CParameterTable* Definitions() const { return definitions_; }

 protected:
  // Completes the frame (zero word when nothing was packed, L) and runs it on the link.
  bool Execute(CommandFrame& frame);
  // A command without arguments and without results.
  bool ExecuteBare(uint8_t opcode);
  // Shows text in an information box when the show flag is set.
  void ShowIfAllowed(const char* text) const;

 private:
  SerialLink* link_;
  parameters::CParameterTable* definitions_;
  std::atomic<bool> show_{false};
};

}  // namespace zel::link
