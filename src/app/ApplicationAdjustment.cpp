#include "app/ApplicationAdjustment.h"

#include <cstdint>

#include "common/DecimalRound.h"
#include "link/ZelCommunication.h"

namespace zel::app {

namespace {

constexpr const char* kServicePassword = "%R!T";
constexpr std::uint16_t kAddressQ = 809;
constexpr std::uint16_t kAddressP = 794;
constexpr std::uint16_t kAddressS = 793;

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
  std::uint16_t sysConfig = 0;
  if (!parameters.ReadTempParam(1, sysConfig)) return false;
  QuietGroups quiet(communication);
  link::ServiceGroup& service = communication.Service();
  std::uint16_t answer = 0;
  if (!service.Service(kServicePassword, answer) || answer != link::ServiceGroup::kPasswordAccepted)
    return false;
  const std::pair<std::uint16_t, double> writes[] = {
      {kAddressQ, values.q}, {kAddressP, values.p}, {kAddressS, values.s}};
  for (const auto& [address, value] : writes) {
    answer = 0;
    if (!service.SetAddrVariable(address, 0, static_cast<std::uint32_t>(value), answer) ||
        !link::ServiceGroup::IsAccepted(answer))
      return false;
  }
  return parameters.SetTempParam(1, 0, sysConfig);
}

}  // namespace zel::app
