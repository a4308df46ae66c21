#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <utility>

#include "monitor/RegulationViewReceiver.h"

namespace zel::monitor {

// A regulation view's receiving side without a window: it keeps the snapshot and the online
// state the view would show, and tells a callback when new data has arrived. The main window
// links one per regulation tab until the views themselves take the monitor's data; the
// command-line tool records from it.
//
// Registers with the default dispatcher for its lifetime; UI thread, except the receiver calls.
template <typename Data>
class RegulationDataSink final : public RegulationViewReceiver<Data>, public ui::MessageTarget {
 public:
  RegulationDataSink() : id_(ui::Dispatcher::Default().Register(this)) {}
  ~RegulationDataSink() override { ui::Dispatcher::Default().Unregister(id_); }
  RegulationDataSink(const RegulationDataSink&) = delete;
  RegulationDataSink& operator=(const RegulationDataSink&) = delete;

  void StoreMonitorData(const Data& data) override { snapshot_.Store(data); }
  bool ShowsOnline() const override { return online_.load(); }
  ui::Dispatcher::TargetId ReceiverId() const override { return id_; }

  // UI thread: the data delivered by the last new-data message.
  const std::optional<Data>& Shown() const { return shown_; }
  int NewDataCount() const { return newDataCount_; }
  void SetNewDataHandler(std::function<void(const Data&)> handler) {
    onNewData_ = std::move(handler);
  }

  void OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override {
    if (message == RegulationViewReceiver<Data>::kMsgOnline) {
      online_.store(wParam != 0);
    } else if (message == RegulationViewReceiver<Data>::kMsgNewData) {
      shown_ = snapshot_.Load();
      ++newDataCount_;
      if (shown_ && onNewData_) onNewData_(*shown_);
    }
  }

 private:
  RegulationSnapshot<Data> snapshot_;
  std::atomic<bool> online_{false};
  std::optional<Data> shown_;
  int newDataCount_ = 0;
  std::function<void(const Data&)> onNewData_;
  ui::Dispatcher::TargetId id_;
};

using SpeedViewDataSink = RegulationDataSink<SpeedViewData>;
using CurrentViewDataSink = RegulationDataSink<CurrentViewData>;

}  // namespace zel::monitor
