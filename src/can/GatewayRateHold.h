#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/CanBitRateTable.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::can {

class GatewayLine;

// Owns the CAN bit rate of the gateway (the ZEL at the serial port) while a search moves it
// from rate to rate. Release puts the gateway back at the pair it is to keep (its starting pair,
// or the target of a bit-rate run) and reads the registers back; the destructor does so on any
// way out that did not. When the restore fails, LeftWith() names the rate the gateway is left
// at, as far as it is known. The thread that uses the line.
class GatewayRateHold {
 public:
  using Registers = link::CanBitRateTable::Registers;

  // stored: the pair in the gateway's EEPROM, which a reset-software loads.
  GatewayRateHold(link::ZelCommunication& communication, GatewayLine& line, Registers keep,
                  Registers stored);
  ~GatewayRateHold();
  GatewayRateHold(const GatewayRateHold&) = delete;
  GatewayRateHold& operator=(const GatewayRateHold&) = delete;

  // What the search did to the gateway: a pair set, a reset-software (the stored pair is
  // loaded), a new stored pair.
  void Moved(Registers now) { current_ = now; }
  void Reset() { current_ = stored_; }
  void Stored(Registers pair) { stored_ = pair; }

  // True when the gateway reads back the pair to keep.
  bool Release();
  bool Released() const { return released_; }
  const std::string& LeftWith() const { return leftWith_; }

  // The gateway's registers as a rate index; nullopt when they could not be read.
  static std::optional<int> ReadRate(link::ZelCommunication& communication, GatewayLine& line,
                                     Registers* pair = nullptr);
  // The sentence for a gateway that does not read back keep.
  static std::string LeftAt(std::optional<int> index, Registers keep);

 private:
  link::ZelCommunication& communication_;
  GatewayLine& line_;
  Registers keep_;
  Registers stored_;
  // The pair the gateway runs on as far as its acknowledges tell.
  Registers current_;
  bool released_ = false;
  std::string leftWith_;
};

}  // namespace zel::can
