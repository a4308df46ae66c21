#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zel::firmware {

// One progress event of a download, in the numbering the user interface decodes.
struct DownloadEvent {
  static constexpr int kFinished = 1124;       // value: success 0/1
  static constexpr int kStarted = 1125;        // the images were read; steps begin
  static constexpr int kCriticalBegin = 1126;  // the flash is about to be erased
  static constexpr int kCriticalEnd = 1127;
  static constexpr int kStepElapsed = 1224;  // value: ms since the step began
  static constexpr int kStepStart = 1225;    // value: step code, expectedMs
  static constexpr int kStepResult = 1226;   // value: result code
  // A warning box the worker may not show itself (boxes belong to the user-interface thread);
  // the receiver shows `text` with one OK button.
  static constexpr int kWarning = 1300;

  int event = 0;
  int64_t value = 0;
  int64_t expectedMs = 0;
  std::string text;
};

// Where a download's events go. Called on the download worker thread, in order; the receiver
// posts or queues them and never lets the worker wait for the user interface.
using DownloadEventSink = std::function<void(const DownloadEvent&)>;

}  // namespace zel::firmware
