#pragma once

namespace zel::link {
class ZelCommunication;
}
namespace zel::monitor {
class CErrorMapList;
}

namespace zel::cli {

class CommandContext;

// The error maps of --package: those of the version that matches the connected ZEL, as the
// desktop program's adjustment would pick, else those of the package's first version. False
// after reporting why not.
bool LoadErrorMaps(CommandContext& ctx, link::ZelCommunication& zel, monitor::CErrorMapList& maps);

}  // namespace zel::cli
