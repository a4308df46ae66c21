#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "link/SerialDeviceTree.h"

namespace zel::link {

// Where a logical port ComN leads, and why.
struct PortMapping {
  enum class Source { kNone, kDefault, kAssigned, kEnvironment };
  int number = 0;
  Source source = Source::kNone;
  SerialDeviceInfo device;  // device.path is "" when nothing is mapped to the number
};

// Which device each logical port Com1..Com10 opens. In order of precedence: $ZEL_COM<N>; the
// device the user assigned to the number (kept per user in $XDG_CONFIG_HOME/zel/ports, by
// default ~/.config/zel/ports); otherwise the devices present (SerialDeviceTree::Present) that
// no other number names, in their order, on the numbers left free. A USB adapter is mapped by
// its /dev/serial/by-id name, never by its ttyUSB node, so that whoever opens the port by name
// again finds the adapter after it was pulled and plugged back under another number.
//
// The map is worked out afresh on every call: devices come and go while the program runs. The
// settings file keeps only the port name; the map is not part of it. Any thread.
class PortMap {
 public:
  static constexpr int kPorts = 10;

  // 1..10 for "Com1".."Com10" and "COM1".."COM10"; 0 for any other name.
  static int NumberOf(const std::string& portName);

  static std::vector<PortMapping> Current();
  // The device path of port number 1..kPorts; "" when nothing is mapped to it.
  static std::string PathFor(int number);
  static std::string PathFor(const std::string& portName);

  // What a person is shown for the device of a port: the by-id name of a USB adapter (else the
  // path) and its driver, e.g. "usb-FTDI_FT232R_USB_UART_A1-if00-port0 (ftdi_sio)";
  // "not present" when nothing is there.
  static std::string Describe(const SerialDeviceInfo& device);
  // "default", "assigned", "ZEL_COM<N>" or "" for an unmapped number.
  static std::string SourceText(const PortMapping& mapping);

  static std::filesystem::path AssignmentFile();
  // Keeps path as the device of port number; an empty path forgets the number's assignment.
  // False with errorText when the file could not be written.
  static bool Assign(int number, const std::string& path, std::string& errorText);
  // Forgets every assignment: the map is the default one again.
  static bool Reset(std::string& errorText);
};

}  // namespace zel::link
