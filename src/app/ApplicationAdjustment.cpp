#include "app/ApplicationAdjustment.h"

#include <cstdint>
#include <cstdio>

#include "common/DecimalRound.h"
#include "link/ZelCommunication.h"
#include "ui/Host.h"

namespace zel::app {

namespace {

constexpr const char* kServicePassword = "%R!T";
constexpr std::uint16_t kAddressQ = 809;
constexpr std::uint16_t kAddressP = 794;
constexpr std::uint16_t kAddressS = 793;
constexpr double kLargestWord = 0xFFFF;
constexpr const char* kQTooLarge =
    "The encoder resolution of %u pulses per turn is too large for the application adjustment of "
    "this firmware:\nits speed scaling (%.0f) does not fit in 16 bits. Nothing was adjusted.";

// The groups show their outcome boxes while the main window has them on; this procedure says
// nothing, so they are off while it runs.
class QuietGroups {
 public:
  explicit QuietGroups(link::ZelCommunication& communication) : communication_(communication) {
    communication_.SetShowFlags(false);
  }
  ~QuietGroups() { communication_.SetShowFlags(true); }
  QuietGroups(const QuietGroups&) = delete;
  QuietGroups& operator=(const QuietGroups&) = delete;

 private:
  link::ZelCommunication& communication_;
};

}  // namespace

AdjustmentValues ComputeAdjustment(unsigned r) {
  AdjustmentValues v;
  v.p = common::Round(1920 / (4 * r * 0.001), 0);
  // In double: R times 131072 leaves the 32-bit range from R = 32768.
  v.q = common::Round(r * 131072.0 * 0.001 / 30, 0);
  v.s = common::Round(2.048e6 / (4.0 * r), 0);
  return v;
}

bool RunApplicationAdjustment(link::ZelCommunication& communication) {
  link::ParameterGroup& parameters = communication.Parameter();
  std::uint16_t resolution = 0;
  // A resolution of 0 would divide by zero; such a ZEL is left as it is.
  if (!parameters.ReadTempParam(20, resolution) || resolution == 0) return false;
  const AdjustmentValues values = ComputeAdjustment(resolution);
  // Every variable goes out as one 16-bit word: a larger Q would lose its high bits on the way.
  if (values.q > kLargestWord) {
    char text[240];
    std::snprintf(text, sizeof text, kQTooLarge, static_cast<unsigned>(resolution), values.q);
    ui::CurrentHost().ShowMessage(text);
    return false;
  }
  std::uint16_t sysConfig = 0;
  if (!parameters.ReadTempParam(1, sysConfig)) return false;
  QuietGroups quiet(communication);
  link::ServiceGroup& service = communication.Service();
  std::uint16_t answer = 0;
  bool done =
      service.Service(kServicePassword, answer) && answer == link::ServiceGroup::kPasswordAccepted;
  const std::pair<std::uint16_t, double> writes[] = {
      {kAddressQ, values.q}, {kAddressP, values.p}, {kAddressS, values.s}};
  for (const auto& [address, value] : writes) {
    if (!done) break;
    answer = 0;
    done = service.SetAddrVariable(address, 0, static_cast<std::uint32_t>(value), answer) &&
           link::ServiceGroup::IsAccepted(answer);
  }
  // The password may have set the service bit even when its answer was lost: SysConfig goes back
  // whatever happened after it was read.
  const bool restored = parameters.SetTempParam(1, 0, sysConfig);
  return done && restored;
}

}  // namespace zel::app
