#include "cli/PortMap.h"

#include <cstdlib>

#include "link/PosixSerialChannel.h"
#include "link/SerialPort.h"

namespace zel::cli {

namespace {
constexpr const char* kDefaultRoot = "/dev";
}

std::string PortMap::DevRoot() {
  const char* root = std::getenv("ZEL_DEV_ROOT");
  return root != nullptr && *root != '\0' ? root : kDefaultRoot;
}

bool PortMap::FromEnvironment(int number) {
  const char* path = std::getenv(("ZEL_COM" + std::to_string(number)).c_str());
  return path != nullptr && *path != '\0';
}

std::string PortMap::PathFor(int number) {
  if (number < 1 || number > kPorts) return "";
  std::string path = link::PosixSerialChannel::DevicePathFor("COM" + std::to_string(number));
  if (FromEnvironment(number)) return path;
  return DevRoot() + path.substr(std::string(kDefaultRoot).size());
}

std::string PortMap::PathFor(const std::string& portName) {
  const std::string device = link::SerialPort::DeviceNameFor(portName);
  if (device.empty()) return "";
  return PathFor(std::stoi(device.substr(3)));
}

}  // namespace zel::cli
