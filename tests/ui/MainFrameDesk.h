#pragma once

#include <memory>
#include <vector>

#include "app/CMainFrame.h"
#include "link/PosixSerialChannel.h"
#include "ui/SimulatedZel.h"

namespace zel::test {

// A main window whose every port reaches the simulated ZEL of the fixture.
struct MainFrameDesk {
  explicit MainFrameDesk(sim::DeviceConfig config = {},
                         std::vector<sim::CanModuleConfig> modules = {})
      : zel(config, false, std::move(modules)) {
    frame = std::make_unique<app::CMainFrame>(
        link::PosixSerialChannel::OpenerForPath(zel.Sim().LinkPath()));
  }
  SimulatedZel zel;
  std::unique_ptr<app::CMainFrame> frame;
  ui::ScriptedHost& Host() { return zel.Host(); }
};

}  // namespace zel::test
