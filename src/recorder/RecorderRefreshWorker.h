#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "ui/PeriodicWorker.h"
#include "ui/Window.h"

namespace zel::recorder {

// The recorder's automatic refresh: every 500 ms one upload; the words go into a snapshot and
// the window hears kDataReady. A failed upload ends the worker, which then posts kEnded; the
// window joins it with Stop when that arrives.
//
// Thread rules: Cycle runs on the worker thread and only uploads and posts; Take is called on
// the window's thread. The window stops the worker (Stop waits for an upload in progress)
// before anything the upload uses goes away.
class RecorderRefreshWorker final : public ui::PeriodicWorker {
 public:
  static constexpr std::uint32_t kPeriodMs = 500;
  using Upload = std::function<bool(std::vector<std::uint16_t>&)>;

  RecorderRefreshWorker(ui::Window& window, unsigned dataReady, unsigned ended, Upload upload,
                        std::unique_ptr<ui::PeriodicTimer> timer);
  ~RecorderRefreshWorker() override;

  // The words of the last successful upload.
  std::vector<std::uint16_t> Take();

 protected:
  void Cycle() override;

 private:
  ui::Window& window_;
  unsigned dataReady_;
  unsigned ended_;
  Upload upload_;
  std::mutex mutex_;
  std::vector<std::uint16_t> words_;
};

}  // namespace zel::recorder
