#pragma once

#include <string>
#include <vector>

namespace zel::link {

// What the system tells about one serial device: the path it is opened by, the kernel's name
// for it, its driver and the USB adapter's latency timer.
struct SerialDeviceInfo {
  std::string path;    // as given: a /dev/serial/by-id link stays that link
  std::string node;    // the kernel's name ("ttyUSB0"); "" when the path leads to no device
  std::string driver;  // "ftdi_sio", "pl2303", "ch341", "cdc_acm", "serial8250"; "" unknown
  bool present = false;
  int latencyMs = -1;       // the adapter's latency timer; -1 when it has none
  std::string latencyFile;  // where the timer is kept in sysfs; "" when it has none
};

// The serial devices under the device root ($ZEL_DEV_ROOT or /dev) as sysfs ($ZEL_SYS_ROOT or
// /sys) describes them. The roots let a test or a container build a device tree of its own.
// Reads the file system only; any thread.
class SerialDeviceTree {
 public:
  static std::string DevRoot();
  static std::string SysRoot();

  // The devices a ZEL may be plugged into, in the order Com1, Com2, ... take them by default:
  // the USB adapters by their /dev/serial/by-id names (sorted), adapters without such a name by
  // their node, then the UARTs that have a port behind them. The ttyS nodes the kernel creates
  // for every possible UART whether or not one is fitted (a laptop has four) are left out.
  static std::vector<SerialDeviceInfo> Present();

  // Node, driver and latency timer of any path.
  static SerialDeviceInfo Describe(const std::string& path);

  // The kernel's name of the device path leads to: the first name along its chain of links
  // that names a serial device (ttyS, ttyUSB, ttyACM), else the name at its end.
  static std::string NodeOf(const std::string& path);

  // True when a UART is fitted behind ttyS<n>: the port type sysfs reports is not unknown (0).
  // Where sysfs has no type (an old kernel), TIOCGSERIAL on the device says it.
  static bool UartFitted(const std::string& node, const std::string& path);
};

}  // namespace zel::link
