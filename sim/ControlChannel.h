#pragma once

#include <sys/types.h>

#include <atomic>
#include <string>
#include <thread>

#include "sim/ControlCommands.h"
#include "sim/WakeEvent.h"

namespace zel::sim {

class Simulator;

// A Unix stream socket on which a person (socat, nc -U) or a test drives the running device
// with the commands of ControlCommands, one line each, and reads one answer line back.
//
// Lifetime: Start binds the socket at a path and starts one thread that serves every client;
// Stop (or the destructor) wakes it, joins it, closes the clients and removes the socket file.
// The thread never waits for a client: a line that is too long is answered with an error and
// skipped, and a client that does not read its answers is dropped rather than waited for.
class ControlChannel {
 public:
  explicit ControlChannel(Simulator& simulator) : commands_(simulator) {}
  ~ControlChannel();
  ControlChannel(const ControlChannel&) = delete;
  ControlChannel& operator=(const ControlChannel&) = delete;

  // A stale socket at `path` is replaced; a socket another program listens on, or any other
  // kind of file, is left alone and Start fails.
  bool Start(const std::string& path, std::string* error = nullptr);
  void Stop();
  std::string Path() const { return path_; }

  static constexpr std::size_t kMaxLine = 512;
  static constexpr std::size_t kMaxClients = 8;

 private:
  void Serve();

  ControlCommands commands_;
  std::string path_;
  int listenFd_ = -1;
  WakeEvent wake_;
  dev_t socketDevice_ = 0;
  ino_t socketInode_ = 0;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace zel::sim
