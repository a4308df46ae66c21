#include "cli/PortListing.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "link/PortMap.h"

namespace zel::cli {

namespace {

namespace fs = std::filesystem;

const char* const kFamilies[] = {"ttyUSB", "ttyACM", "ttyS"};

// The family's rank and the device number of a name like "ttyUSB3"; false for other names.
bool SortKey(const std::string& name, std::tuple<int, int>& key) {
  for (int family = 0; family < 3; ++family) {
    const std::string prefix = kFamilies[family];
    if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size()) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    key = {family, std::stoi(digits)};
    return true;
  }
  return false;
}

// Where path finally leads, for comparing a by-id link or ZEL_COM<N> with a device.
std::string Resolved(const std::string& path) {
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

}  // namespace

std::vector<SerialDevice> PortListing::Devices() {
  std::vector<std::pair<std::tuple<int, int>, SerialDevice>> found;
  std::error_code ec;
  const std::string root = link::SerialDeviceTree::DevRoot();
  const std::vector<link::PortMapping> map = link::PortMap::Current();
  for (const auto& entry : fs::directory_iterator(root, ec)) {
    std::tuple<int, int> key;
    if (!SortKey(entry.path().filename().string(), key)) continue;
    found.push_back({key, SerialDevice{entry.path().string(), {}, {}}});
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });

  std::vector<std::pair<std::string, std::string>> links;  // by-id name, resolved target
  for (const auto& entry : fs::directory_iterator(root + "/serial/by-id", ec))
    links.emplace_back(entry.path().filename().string(), Resolved(entry.path().string()));
  std::sort(links.begin(), links.end());

  std::vector<SerialDevice> devices;
  for (auto& [key, device] : found) {
    const std::string target = Resolved(device.path);
    for (const auto& [name, linked] : links)
      if (linked == target) device.byId.push_back(name);
    for (const link::PortMapping& m : map)
      if (!m.device.path.empty() && Resolved(m.device.path) == target)
        device.ports.push_back(m.number);
    devices.push_back(std::move(device));
  }
  return devices;
}

}  // namespace zel::cli
