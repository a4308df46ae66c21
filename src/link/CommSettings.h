#pragma once

#include <cstdint>
#include <string>

namespace zel::link {

// The serial settings the tool stores, edits and hands to the link. One instance is owned by the
// communication stack and persisted in the settings file (in the order baud rate, port name,
// spare, time-out, transmit trials). Copying copies all five fields, the spare included.
struct CommSettings {
  // What the "Communication" dialog accepts; a stored record outside them is not taken.
  static constexpr int32_t kMaxTimeoutMs = 60000;
  static constexpr int32_t kMaxTrials = 100;

  int32_t transmitTrials = 4;     // total attempts for a frame the ZEL rejects with 'F'
  int32_t timeoutMs = 100;        // per-byte read time-out T
  int32_t baudRate = 38400;       // bit/s
  std::string portName = "Com1";  // "Com1" to "Com10"
  int16_t spare = 0;              // stored and copied; nothing reads it

  bool operator==(const CommSettings&) const = default;
};

}  // namespace zel::link
