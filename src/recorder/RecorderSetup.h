#pragma once

#include <cstdint>
#include <string>

namespace zel::recorder {

// What the ZEL's recorder is set up to record, as the "SetupRecorder" dialog edits it.
struct RecorderSetup {
  static constexpr std::int32_t kModeParameter = 0;
  static constexpr std::int32_t kModeAddress = 1;

  std::uint16_t samplePeriod = 1;  // tenths of a millisecond
  std::uint16_t variable = 128;    // status parameter number, or memory address in address mode
  std::int32_t mode = kModeParameter;
  std::int32_t signedFormat = 0;  // address mode: 1 signed, 0 unsigned 16-bit values

  bool operator==(const RecorderSetup&) const = default;

  // The reply time-out of an upload: 100 ms and the 25.6 ms the ZEL needs per tenth of a
  // millisecond of period to fill its 256 samples, in whole milliseconds.
  static std::int32_t UploadTimeoutMs(std::uint16_t samplePeriod) {
    return 100 + static_cast<std::int32_t>(samplePeriod) * 256 / 10;
  }
  // µs between two samples.
  std::int32_t PeriodMicroseconds() const { return static_cast<std::int32_t>(samplePeriod) * 100; }
};

}  // namespace zel::recorder
