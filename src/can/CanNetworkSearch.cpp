#include "can/CanNetworkSearch.h"

#include <cstdio>

#include "can/CanModule.h"
#include "link/CanGateway.h"
#include "link/ParameterGroup.h"
#include "link/StatusGroup.h"
#include "link/ZelCommunication.h"
#include "parameters/ModuleSearch.h"

namespace zel::can {

namespace {

using link::CanBitRateTable;

constexpr std::int16_t kSysConfig = 1;
constexpr std::int16_t kBcr1 = 34;
constexpr std::int16_t kBcr2 = 35;
// Enabling by command: a module found by the wizard must not start on its input 'Enable'.
constexpr std::uint16_t kEnableByCommand = 0x1000;

}  // namespace

CanNetworkSearch::CanNetworkSearch(link::ZelCommunication& communication, CanModule& module,
                                   Listener& listener)
    : communication_(communication), module_(module), listener_(listener) {
  SetPeriod(kTickMs);
}

CanNetworkSearch::CanNetworkSearch(link::ZelCommunication& communication, CanModule& module,
                                   Listener& listener,
                                   std::unique_ptr<monitor::PeriodicTimer> timer)
    : PeriodicWorker(std::move(timer)),
      communication_(communication),
      module_(module),
      listener_(listener) {
  SetPeriod(kTickMs);
}

CanNetworkSearch::~CanNetworkSearch() {
  Stop();
}

void CanNetworkSearch::Configure(int count, Mode mode, CanBitRateTable::Registers target) {
  count_ = count;
  mode_ = mode;
  target_ = target;
}

int CanNetworkSearch::GatewayBitRate() {
  link::ParameterGroup& serial = communication_.Parameter();
  std::uint16_t bcr1 = 0, bcr2 = 0;
  serial.ReadTempParam(kBcr1, bcr1);
  serial.ReadTempParam(kBcr2, bcr2);
  return CanBitRateTable::IndexOf(bcr1, bcr2);
}

bool CanNetworkSearch::ReadGateway(CanBitRateTable::Registers& start, std::uint16_t& ownId) {
  link::ParameterGroup& serial = communication_.Parameter();
  // The starting pair is written back and saved when the search ends, and the gateway's module
  // ID is reported and later addressed over the bus like any found module. Unread, the pair
  // would be saved as 0/0, and ID 0 is no module's (a module command to 0 asks the user).
  return serial.ReadTempParam(kBcr1, start.bcr1) && serial.ReadTempParam(kBcr2, start.bcr2) &&
         communication_.Can().ReadModuleID(ownId) && ownId != 0;
}

void CanNetworkSearch::PrepareGateway(CanBitRateTable::Registers pair, std::uint16_t ownId) {
  link::CanGateway& gateway = communication_.Can();
  link::ParameterGroup& serial = communication_.Parameter();
  gateway.SetBCR1BCR2(pair.bcr1, pair.bcr2);
  gateway.SetModuleBitRate(ownId, pair.bcr1, pair.bcr2);
  serial.SaveTempParam();
  std::uint16_t sysConfig = 0;
  if (serial.ReadTempParam(kSysConfig, sysConfig) && (sysConfig & kEnableByCommand) == 0) {
    serial.SetTempParam(kSysConfig, 0, sysConfig | kEnableByCommand);
    serial.SaveTempParam();
  }
  gateway.ResetCAN();
  communication_.Status().ResetSoftware();
}

bool CanNetworkSearch::Probe(std::uint16_t candidate) {
  link::CanGateway& gateway = communication_.Can();
  link::StatusGroup& status = communication_.Status();
  for (int index = 0; index < CanBitRateTable::kCount; ++index) {
    const CanBitRateTable::Registers pair = CanBitRateTable::RegistersOf(index);
    gateway.SetBCR1BCR2(pair.bcr1, pair.bcr2);
    std::uint16_t answered = 0;
    const bool found = gateway.ReadModuleIdOf(candidate, answered);
    if (found) {
      if (mode_ == Mode::kBitRate) {
        gateway.SetModuleBitRate(candidate, target_.bcr1, target_.bcr2);
        gateway.SetBCR1BCR2(target_.bcr1, target_.bcr2);
        module_.SaveTempParam(candidate);
      }
      std::uint16_t sysConfig = 0;
      if (module_.ReadSysConfig(candidate, sysConfig) && (sysConfig & kEnableByCommand) == 0) {
        module_.WriteTempParam(candidate, kSysConfig, 0, sysConfig | kEnableByCommand);
        module_.SaveTempParam(candidate);
      }
      const int rate = GatewayBitRate();
      module_.ResetSoftware(candidate);
      gateway.ResetCAN();
      status.ResetSoftware();
      listener_.ModuleFound(answered, rate);
    }
    // Back to the rate the gateway keeps in its EEPROM before the next rate is tried.
    status.ResetSoftware();
    if (found) return true;
  }
  return false;
}

void CanNetworkSearch::Run() {
  if (count_ < 1 || count_ > kLastCandidate) {
    listener_.Finished(false);
    return;
  }
  CanBitRateTable::Registers start;
  std::uint16_t ownId = 0;
  if (!ReadGateway(start, ownId)) {
    listener_.Finished(true);
    return;
  }
  const CanBitRateTable::Registers kept = mode_ == Mode::kBitRate ? target_ : start;
  PrepareGateway(kept, ownId);
  listener_.ModuleFound(ownId, GatewayBitRate());
  int found = 1;
  communication_.ClaimLink();

  parameters::ModuleSearch candidates(
      [&](std::uint16_t candidate) {
        if (candidate == ownId || !Probe(candidate)) return false;
        ++found;
        return true;
      },
      kLastCandidate);
  while (found < count_ && !candidates.Done() && WaitForTick()) {
    const int next = candidates.Searched() + 1;
    listener_.Probing(next);
    candidates.Step();
    probed_.store(candidates.Searched());
  }

  PrepareGateway(kept, ownId);
  communication_.ReleaseLink();
  listener_.Finished(false);
}

CanSearchOutcome CanSearchOutcome::Judge(const std::vector<std::uint16_t>& modules,
                                         const std::vector<int>& rates, int count) {
  CanSearchOutcome outcome;
  const int found = static_cast<int>(modules.size());
  if (found < count) {
    outcome.allFound = false;
    char text[128];
    std::snprintf(text, sizeof text, "Only %i from %i searched modules found in your network!",
                  found, count);
    outcome.notAllFoundText = text;
  }
  for (int rate : rates)
    if (rate != rates.front()) outcome.sameRate = false;
  if (outcome.sameRate && !rates.empty()) outcome.bitRateIndex = rates.front();
  return outcome;
}

void CanSearchOutcome::Settle(link::ZelCommunication& communication, CanModule& module,
                              const std::vector<std::uint16_t>& modules,
                              const std::vector<int>& rates) {
  link::CanGateway& gateway = communication.Can();
  for (std::size_t i = 0; i < modules.size() && i < rates.size(); ++i) {
    const CanBitRateTable::Registers pair = CanBitRateTable::RegistersOf(rates[i]);
    gateway.SetModuleBitRate(modules[i], pair.bcr1, pair.bcr2);
    gateway.SetBCR1BCR2(pair.bcr1, pair.bcr2);
    module.ResetSoftware(modules[i]);
    communication.Status().ResetSoftware();
  }
}

}  // namespace zel::can
