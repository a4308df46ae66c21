#include "cli/PackageErrorMaps.h"

#include <string>
#include <vector>

#include "cli/CommandContext.h"
#include "firmware/FirmwarePackage.h"
#include "link/ZelCommunication.h"
#include "monitor/CErrorMapList.h"

namespace zel::cli {

bool LoadErrorMaps(CommandContext& ctx, link::ZelCommunication& zel, monitor::CErrorMapList& maps) {
  const std::string& path = ctx.Options().package;
  std::vector<firmware::FirmwareInfo> versions;
  if (!firmware::FirmwarePackage::ReadVersionInfos(path, versions) || versions.empty()) {
    ctx.Fail("Cannot read the firmware package '" + path + "'.");
    return false;
  }
  firmware::FirmwareInfo connected;
  std::string directory;
  if (zel.Parameter().ReadVersion(connected.softwareVersion, connected.hardwareVersion,
                                  connected.applicationNumber, connected.applicationVersion)) {
    for (const auto& v : versions)
      if (v.SameVersion(connected)) directory = v.packageDirectory;
  }
  if (!maps.LoadFromPackageFile(path, directory)) {
    ctx.Fail("The firmware package '" + path + "' has no readable error maps.");
    return false;
  }
  return true;
}

}  // namespace zel::cli
