#pragma once

#include <cstdint>
#include <string>

namespace zel::sim {

// The device's end of a pseudo-terminal pair, with the slave's name linked at a chosen path.
//
// The device keeps its own descriptor of the slave open for its whole life: without it the
// master would see a hang-up each time the tool closes the port, and the terminal settings the
// tool applied would be lost between two opens. Not thread-safe; the simulator's serving thread
// owns it (Open and Close also run before the thread starts and after it ended).
class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Opens a fresh pair in raw 8N1 at `baud`, and points `linkPath` at the slave. A symbolic link
  // already there is replaced; any other kind of file makes Open fail and stays untouched.
  bool Open(const std::string& linkPath, uint32_t baud, std::string* error);
  // Closes both descriptors; the link stays (a hang-up keeps the path for the next pair).
  void Close();
  // Removes the link when it still points at this pair's slave.
  void RemoveLink();

  bool IsOpen() const { return master_ >= 0; }
  int MasterFd() const { return master_; }
  const std::string& SlaveName() const { return slaveName_; }

  // The line rate in bit/s that the slave's settings hold right now, as the tool set it; 0 when
  // it cannot be read. On Linux the master reports the slave's settings.
  uint32_t LineBaud() const;

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slaveName_;
  std::string linkPath_;
};

}  // namespace zel::sim
