#include "link/SerialDeviceTree.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace zel::link {

namespace {

namespace fs = std::filesystem;

const char* const kFamilies[] = {"ttyUSB", "ttyACM", "ttyS"};
constexpr int kUartFamily = 2;

std::string Root(const char* variable, const char* fallback) {
  const char* root = std::getenv(variable);
  return root != nullptr && *root != '\0' ? root : fallback;
}

// The family's rank and the device number of a name like "ttyUSB3"; false for other names.
bool FamilyKey(const std::string& name, std::tuple<int, long>& key) {
  for (int family = 0; family < 3; ++family) {
    const std::string prefix = kFamilies[family];
    if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size()) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    key = {family, std::stol(digits)};
    return true;
  }
  return false;
}

bool ReadInt(const fs::path& file, int& value) {
  std::ifstream in(file);
  return static_cast<bool>(in >> value);
}

std::string Canonical(const fs::path& path) {
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? path.string() : resolved.string();
}

}  // namespace

std::string SerialDeviceTree::DevRoot() {
  return Root("ZEL_DEV_ROOT", "/dev");
}

std::string SerialDeviceTree::SysRoot() {
  return Root("ZEL_SYS_ROOT", "/sys");
}

std::string SerialDeviceTree::NodeOf(const std::string& path) {
  fs::path current = path;
  // A link chain longer than this is a loop.
  for (int step = 0; step < 16; ++step) {
    std::tuple<int, long> key;
    if (FamilyKey(current.filename().string(), key)) return current.filename().string();
    std::error_code ec;
    if (!fs::is_symlink(current, ec)) break;
    const fs::path target = fs::read_symlink(current, ec);
    if (ec) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return fs::path(Canonical(current)).filename().string();
}

bool SerialDeviceTree::UartFitted(const std::string& node, const std::string& path) {
  int type = 0;
  if (ReadInt(fs::path(SysRoot()) / "class" / "tty" / node / "type", type)) return type != 0;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  serial_struct serial{};
  const bool fitted = ::ioctl(fd, TIOCGSERIAL, &serial) == 0 && serial.type != PORT_UNKNOWN;
  ::close(fd);
  return fitted;
}

SerialDeviceInfo SerialDeviceTree::Describe(const std::string& path) {
  SerialDeviceInfo info;
  info.path = path;
  std::error_code ec;
  info.present = !path.empty() && fs::exists(path, ec);
  if (!info.present) return info;
  info.node = NodeOf(path);
  const fs::path tty = fs::path(SysRoot()) / "class" / "tty" / info.node;
  // Newer kernels put a UART's tty on the serial core's own port and controller devices; the
  // driver worth naming is the one of the hardware above them.
  fs::path device = tty / "device";
  for (int level = 0; level < 3; ++level, device /= "..") {
    const fs::path driver = device / "driver";
    if (!fs::is_symlink(driver, ec)) break;
    const fs::path resolved = Canonical(driver);
    info.driver = resolved.filename().string();
    if (resolved.parent_path().parent_path().filename() != "serial-base") break;
  }
  // usb-serial drivers with a timer (ftdi_sio) show it on the port's device; both ways lead there.
  for (const fs::path& file :
       {fs::path(SysRoot()) / "bus" / "usb-serial" / "devices" / info.node / "latency_timer",
        tty / "device" / "latency_timer"}) {
    if (ReadInt(file, info.latencyMs)) {
      info.latencyFile = file.string();
      break;
    }
    info.latencyMs = -1;
  }
  return info;
}

std::vector<SerialDeviceInfo> SerialDeviceTree::Present() {
  const std::string dev = DevRoot();
  std::error_code ec;
  std::vector<SerialDeviceInfo> byId;
  std::vector<std::string> linked;  // the nodes the by-id names lead to
  for (const auto& entry : fs::directory_iterator(fs::path(dev) / "serial" / "by-id", ec)) {
    SerialDeviceInfo info = Describe(entry.path().string());
    if (!info.present) continue;  // a link left behind by an adapter being pulled
    linked.push_back(info.node);
    byId.push_back(std::move(info));
  }
  std::sort(byId.begin(), byId.end(), [](const auto& a, const auto& b) { return a.path < b.path; });

  std::vector<std::pair<std::tuple<int, long>, std::string>> nodes;
  for (const auto& entry : fs::directory_iterator(dev, ec)) {
    std::tuple<int, long> key;
    const std::string name = entry.path().filename().string();
    if (FamilyKey(name, key) && std::find(linked.begin(), linked.end(), name) == linked.end())
      nodes.emplace_back(key, entry.path().string());
  }
  std::sort(nodes.begin(), nodes.end());

  std::vector<SerialDeviceInfo> present = std::move(byId);
  for (const auto& [key, path] : nodes) {
    const std::string node = fs::path(path).filename().string();
    if (std::get<0>(key) == kUartFamily && !UartFitted(node, path)) continue;
    SerialDeviceInfo info = Describe(path);
    if (info.present) present.push_back(std::move(info));
  }
  return present;
}

}  // namespace zel::link
