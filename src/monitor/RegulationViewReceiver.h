#pragma once

#include "monitor/RegulationSnapshot.h"
#include "ui/Dispatcher.h"

namespace zel::monitor {

// The side of a regulation view that the polling monitor talks to. The monitor stores each
// cycle's data here from its own thread and then posts kMsgNewData to ReceiverId; it posts
// kMsgOnline (wParam 1 online, 0 offline) whenever ShowsOnline differs from what it found.
//
// Thread rules: StoreMonitorData and ShowsOnline are called on the monitor's thread; the view
// changes the state ShowsOnline reports only on the user-interface thread, when kMsgOnline
// arrives.
template <typename Data>
class RegulationViewReceiver {
 public:
  static constexpr unsigned kMsgNewData = ui::kWmUser + 40;
  static constexpr unsigned kMsgOnline = ui::kWmUser + 43;

  virtual ~RegulationViewReceiver() = default;

  virtual void StoreMonitorData(const Data& data) = 0;
  virtual bool ShowsOnline() const = 0;
  virtual ui::Dispatcher::TargetId ReceiverId() const = 0;
};

using SpeedViewReceiver = RegulationViewReceiver<SpeedViewData>;
using CurrentViewReceiver = RegulationViewReceiver<CurrentViewData>;

}  // namespace zel::monitor
