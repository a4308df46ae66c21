#pragma once

// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include "app/CMainFrame.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "gui/QtTestApp.h"
#include "link/PosixSerialChannel.h"

#include <utility>
#include <vector>

namespace zel::gui {

// zelgui's main window against a simulated ZEL, as a GUI test starts: the Qt host answers the
// boxes, the window is shown (offscreen) at its own size. Bind the members by name:
//   auto& [zel, host, frame, window] = desk;
struct GuiDesk {
  explicit GuiDesk(sim::DeviceConfig config = {}, std::vector<sim::CanModuleConfig> modules = {})
      : zel((QtTestApp(), config), false, std::move(modules)),
        frame(link::PosixSerialChannel::OpenerForPath(zel.LinkPath())),
        window(frame) {
    host.SetMainWidget(&window);
    window.show();
  }

  test::SimulatedZel zel;
  QtHost host;
  app::CMainFrame frame;
  QtMainWindow window;
};

}  // namespace zel::gui
