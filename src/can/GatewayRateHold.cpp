#include "can/GatewayRateHold.h"

#include "can/GatewayLine.h"
#include "link/CanGateway.h"
#include "link/ParameterGroup.h"
#include "link/StatusGroup.h"
#include "link/ZelCommunication.h"

namespace zel::can {

namespace {

using link::CanBitRateTable;

constexpr std::int16_t kBcr1 = CanBitRateTable::kBcr1Parameter;
constexpr std::int16_t kBcr2 = CanBitRateTable::kBcr2Parameter;

}  // namespace

GatewayRateHold::GatewayRateHold(link::ZelCommunication& communication, GatewayLine& line,
                                 Registers keep, Registers stored)
    : communication_(communication), line_(line), keep_(keep), stored_(stored), current_(stored) {}

GatewayRateHold::~GatewayRateHold() {
  if (!released_) Release();
}

std::optional<int> GatewayRateHold::ReadRate(link::ZelCommunication& communication,
                                             GatewayLine& line, Registers* pair) {
  link::ParameterGroup& serial = communication.Parameter();
  Registers read;
  if (!line.Command([&] { return serial.ReadTempParam(kBcr1, read.bcr1); }) ||
      !line.Command([&] { return serial.ReadTempParam(kBcr2, read.bcr2); })) {
    return std::nullopt;
  }
  if (pair != nullptr) *pair = read;
  return CanBitRateTable::IndexOf(read.bcr1, read.bcr2);
}

std::string GatewayRateHold::LeftAt(std::optional<int> index, Registers keep) {
  const std::string wanted = CanBitRateTable::Text(CanBitRateTable::IndexOf(keep.bcr1, keep.bcr2));
  if (index)
    return "The CAN gateway is left at " + CanBitRateTable::Text(*index) + ": its bit rate " +
           wanted +
           " could not be set back, so the modules cannot be reached through it. A "
           "reset or power cycle of the ZEL loads its stored rate.";
  return "The CAN gateway's bit rate is unknown: " + wanted +
         " could not be set back or read back (the ZEL did not answer). A reset or power cycle "
         "of the ZEL loads its stored rate.";
}

bool GatewayRateHold::Release() {
  released_ = true;
  leftWith_.clear();
  link::CanGateway& gateway = communication_.Can();
  link::StatusGroup& status = communication_.Status();
  // Back to what the EEPROM holds first, so a pair the search set in between is gone even when
  // the one to keep cannot be written.
  std::optional<int> index;
  Registers read;
  if (line_.Command([&] { return status.ResetSoftware(); })) {
    Reset();
  } else if (line_.GatewaySilent()) {
    // A line that took none of the tries takes no further command either: say so at once.
    leftWith_ = LeftAt(CanBitRateTable::IndexOf(current_.bcr1, current_.bcr2), keep_);
    return false;
  }
  if (line_.Command([&] { return gateway.SetBCR1BCR2(keep_.bcr1, keep_.bcr2); })) Moved(keep_);
  line_.Command([&] { return gateway.ResetCAN(); });
  index = ReadRate(communication_, line_, &read);
  if (index && read == keep_) return true;
  std::optional<int> known = index;
  if (!known) known = CanBitRateTable::IndexOf(current_.bcr1, current_.bcr2);
  leftWith_ = LeftAt(known, keep_);
  return false;
}

}  // namespace zel::can
