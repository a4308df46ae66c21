#pragma once

#include <string>

namespace zel::link {

// A full-speed USB adapter holds received bytes until its latency timer runs out (16 ms on FTDI
// chips by default). The frame protocol turns the line round three times per exchange, so at
// 16 ms a monitor cycle outlasts its period many times over. On every open the port asks for
// low latency and brings the adapter's timer down to 1 ms where it may; when the timer stays
// above 1 ms, a warning with the remedy is kept for the program to show, once per device and
// run. Any thread.
class AdapterLatency {
 public:
  // Asks the driver behind fd for low latency (ASYNC_LOW_LATENCY, which the FTDI driver turns
  // into a 1 ms timer; a pseudo-terminal refuses and needs none), then checks the latency timer
  // sysfs keeps for the device at path and writes 1 to it when it is above and writable.
  static void Lower(int fd, const std::string& path);

  // The warning not yet shown ("" when there is none); taking it clears it.
  static std::string TakeWarning();
};

}  // namespace zel::link
