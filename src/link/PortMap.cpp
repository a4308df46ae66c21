#include "link/PortMap.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "files/AtomicFileWriter.h"
#include "files/UserConfigHome.h"

namespace zel::link {

namespace {

namespace fs = std::filesystem;

using Assignments = std::array<std::string, PortMap::kPorts + 1>;  // [0] unused

// One line per assigned port: "Com<N> <path>". Lines that say anything else are skipped, so
// a hand-edited file costs at most the lines it spoiled.
Assignments LoadAssignments() {
  Assignments assigned;
  std::ifstream in(PortMap::AssignmentFile());
  for (std::string line; std::getline(in, line);) {
    const auto space = line.find(' ');
    if (space == std::string::npos) continue;
    const int number = PortMap::NumberOf(line.substr(0, space));
    const std::string path = line.substr(space + 1);
    if (number > 0 && !path.empty()) assigned[static_cast<size_t>(number)] = path;
  }
  return assigned;
}

bool StoreAssignments(const Assignments& assigned, std::string& errorText) {
  std::ostringstream text;
  for (int n = 1; n <= PortMap::kPorts; ++n)
    if (!assigned[static_cast<size_t>(n)].empty())
      text << "Com" << n << ' ' << assigned[static_cast<size_t>(n)] << '\n';
  const fs::path file = PortMap::AssignmentFile();
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  if (ec) {
    errorText = "Cannot create the folder '" + file.parent_path().string() + "': " + ec.message();
    return false;
  }
  return files::AtomicFileWriter::Write(file, text.str(), errorText);
}

std::string EnvironmentPath(int number) {
  const char* path = std::getenv(("ZEL_COM" + std::to_string(number)).c_str());
  return path != nullptr ? path : "";
}

// Two names for one device (a by-id link and its node, ZEL_COM<N> and an assignment).
std::string Identity(const std::string& path) {
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

}  // namespace

int PortMap::NumberOf(const std::string& portName) {
  if (portName.size() < 4 || portName.size() > 5) return 0;
  const std::string prefix = portName.substr(0, 3);
  if (prefix != "Com" && prefix != "COM") return 0;
  const std::string digits = portName.substr(3);
  if (digits[0] == '0' || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  const int number = std::stoi(digits);
  return number <= kPorts ? number : 0;
}

std::string PortMap::Describe(const SerialDeviceInfo& device) {
  if (!device.present) return "not present";
  const fs::path path = device.path;
  std::string text =
      path.parent_path().filename() == "by-id" ? path.filename().string() : device.path;
  if (!device.driver.empty()) text += " (" + device.driver + ")";
  return text;
}

std::string PortMap::SourceText(const PortMapping& mapping) {
  switch (mapping.source) {
    case PortMapping::Source::kDefault:
      return "default";
    case PortMapping::Source::kAssigned:
      return "assigned";
    case PortMapping::Source::kEnvironment:
      return "ZEL_COM" + std::to_string(mapping.number);
    case PortMapping::Source::kNone:
      break;
  }
  return "";
}

fs::path PortMap::AssignmentFile() {
  fs::path base = files::UserConfigHome();
  if (base.empty()) base = "/.config";
  return base / "zel" / "ports";
}

std::vector<PortMapping> PortMap::Current() {
  std::vector<PortMapping> map(kPorts);
  const Assignments assigned = LoadAssignments();
  std::vector<std::string> taken;
  for (int n = 1; n <= kPorts; ++n) {
    PortMapping& m = map[static_cast<size_t>(n - 1)];
    m.number = n;
    std::string path = EnvironmentPath(n);
    if (!path.empty()) {
      m.source = PortMapping::Source::kEnvironment;
    } else if (!assigned[static_cast<size_t>(n)].empty()) {
      path = assigned[static_cast<size_t>(n)];
      m.source = PortMapping::Source::kAssigned;
    } else {
      continue;
    }
    m.device = SerialDeviceTree::Describe(path);
    taken.push_back(Identity(path));
  }
  // A device that a number names is not handed to a second number by default.
  size_t next = 0;
  const std::vector<SerialDeviceInfo> present = SerialDeviceTree::Present();
  for (PortMapping& m : map) {
    if (m.source != PortMapping::Source::kNone) continue;
    while (next < present.size() &&
           std::find(taken.begin(), taken.end(), Identity(present[next].path)) != taken.end())
      ++next;
    if (next == present.size()) break;
    m.source = PortMapping::Source::kDefault;
    m.device = present[next++];
  }
  return map;
}

std::string PortMap::PathFor(int number) {
  if (number < 1 || number > kPorts) return "";
  // ZEL_COM<N> needs no look at the device tree.
  if (std::string path = EnvironmentPath(number); !path.empty()) return path;
  return Current()[static_cast<size_t>(number - 1)].device.path;
}

std::string PortMap::PathFor(const std::string& portName) {
  return PathFor(NumberOf(portName));
}

bool PortMap::Assign(int number, const std::string& path, std::string& errorText) {
  if (number < 1 || number > kPorts) {
    errorText = "There is no port Com" + std::to_string(number) + ".";
    return false;
  }
  Assignments assigned = LoadAssignments();
  assigned[static_cast<size_t>(number)] = path;
  return StoreAssignments(assigned, errorText);
}

bool PortMap::Reset(std::string& errorText) {
  std::error_code ec;
  fs::remove(AssignmentFile(), ec);
  if (ec) errorText = "Cannot remove '" + AssignmentFile().string() + "': " + ec.message();
  return !ec;
}

}  // namespace zel::link
