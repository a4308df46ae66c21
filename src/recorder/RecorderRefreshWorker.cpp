#include "recorder/RecorderRefreshWorker.h"

namespace zel::recorder {

RecorderRefreshWorker::RecorderRefreshWorker(ui::Window& window, unsigned dataReady, unsigned ended,
                                             Upload upload,
                                             std::unique_ptr<ui::PeriodicTimer> timer)
    : ui::PeriodicWorker(std::move(timer)),
      window_(window),
      dataReady_(dataReady),
      ended_(ended),
      upload_(std::move(upload)) {
  SetPeriod(kPeriodMs);
}

RecorderRefreshWorker::~RecorderRefreshWorker() {
  Stop();
}

std::vector<std::uint16_t> RecorderRefreshWorker::Take() {
  std::lock_guard lock(mutex_);
  return words_;
}

void RecorderRefreshWorker::Cycle() {
  std::vector<std::uint16_t> words;
  if (!upload_(words)) {
    // The ZEL stopped answering: no further tick may upload, and the window is told.
    Stop();
    window_.Post(ended_);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    words_ = std::move(words);
  }
  window_.Post(dataReady_);
}

}  // namespace zel::recorder
