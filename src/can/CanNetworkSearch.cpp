#include "can/CanNetworkSearch.h"

#include <cstdio>
#include <optional>

#include "can/CanModule.h"
#include "can/GatewayLine.h"
#include "can/GatewayRateHold.h"
#include "link/CanGateway.h"
#include "link/ParameterGroup.h"
#include "link/StatusGroup.h"
#include "link/ZelCommunication.h"
#include "parameters/ModuleSearch.h"

namespace zel::can {

namespace {

using link::CanBitRateTable;

constexpr std::int16_t kBcr1 = CanBitRateTable::kBcr1Parameter;
constexpr std::int16_t kBcr2 = CanBitRateTable::kBcr2Parameter;

}  // namespace

CanNetworkSearch::CanNetworkSearch(link::ZelCommunication& communication, CanModule& module,
                                   Listener& listener)
    : communication_(communication),
      module_(module),
      listener_(listener),
      line_(communication.Link()) {
  SetPeriod(kTickMs);
}

CanNetworkSearch::CanNetworkSearch(link::ZelCommunication& communication, CanModule& module,
                                   Listener& listener, std::unique_ptr<ui::PeriodicTimer> timer)
    : ui::PeriodicWorker(std::move(timer)),
      communication_(communication),
      module_(module),
      listener_(listener),
      line_(communication.Link()) {
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

bool CanNetworkSearch::ReadGateway(CanBitRateTable::Registers& start, std::uint16_t& ownId) {
  link::ParameterGroup& serial = communication_.Parameter();
  // The starting pair is written back when the search ends, and the gateway's module ID is
  // reported and later addressed over the bus like any found module. Unread, the pair would be
  // written as 0/0, and ID 0 is no module's (a module command to 0 asks the user).
  return serial.ReadTempParam(kBcr1, start.bcr1) && serial.ReadTempParam(kBcr2, start.bcr2) &&
         communication_.Can().ReadModuleID(ownId) && ownId != 0;
}

bool CanNetworkSearch::PrepareGateway(CanBitRateTable::Registers pair, std::uint16_t ownId,
                                      GatewayRateHold& hold) {
  link::CanGateway& gateway = communication_.Can();
  link::ParameterGroup& serial = communication_.Parameter();
  GatewayLine& line = line_;
  if (!line.Command([&] { return gateway.SetBCR1BCR2(pair.bcr1, pair.bcr2); })) return false;
  hold.Moved(pair);
  if (!line.Command([&] { return gateway.SetModuleBitRate(ownId, pair.bcr1, pair.bcr2); }))
    return false;
  // Only the bit-rate run stores anything: the rate it was asked for. A search leaves the
  // EEPROM, and with it each drive's enabling (SysConfig), as it found it.
  if (mode_ == Mode::kBitRate) {
    if (!line.Command([&] { return serial.SaveTempParam(); })) return false;
    hold.Stored(pair);
  }
  if (!line.Command([&] { return gateway.ResetCAN(); })) return false;
  if (!line.Command([&] { return communication_.Status().ResetSoftware(); })) return false;
  hold.Reset();
  return true;
}

CanNetworkSearch::ProbeResult CanNetworkSearch::BreakOff() {
  ending_.brokenOff = GatewayLine::kDead;
  return ProbeResult::kBrokenOff;
}

CanNetworkSearch::ProbeResult CanNetworkSearch::Found(std::uint16_t candidate,
                                                      std::uint16_t answered,
                                                      GatewayRateHold& hold) {
  link::CanGateway& gateway = communication_.Can();
  GatewayLine& line = line_;
  if (mode_ == Mode::kBitRate) {
    if (!line.Command(
            [&] { return gateway.SetModuleBitRate(candidate, target_.bcr1, target_.bcr2); }) ||
        !line.Command([&] { return gateway.SetBCR1BCR2(target_.bcr1, target_.bcr2); })) {
      return BreakOff();
    }
    hold.Moved(target_);
    if (!line.Command([&] { return module_.SaveTempParam(candidate); })) return BreakOff();
  }
  std::optional<int> rate = GatewayRateHold::ReadRate(communication_, line);
  if (!rate) return BreakOff();
  if (!line.Command([&] { return module_.ResetSoftware(candidate); }) ||
      !line.Command([&] { return gateway.ResetCAN(); }) ||
      !line.Command([&] { return communication_.Status().ResetSoftware(); })) {
    return BreakOff();
  }
  hold.Reset();
  if (mode_ == Mode::kBitRate) {
    // The module is reported at the target only when it answers there after its reset; the
    // gateway now runs on the target it stored.
    std::uint16_t again = 0;
    const GatewayLine::Reach reach =
        line.Ask([&] { return gateway.ReadModuleIdOf(candidate, again); });
    if (reach == GatewayLine::Reach::kLineDead) return BreakOff();
    if (reach == GatewayLine::Reach::kNoModule) rate = CanBitRateTable::kUnknownIndex;
  }
  listener_.ModuleFound(answered, *rate);
  return ProbeResult::kFound;
}

CanNetworkSearch::ProbeResult CanNetworkSearch::Probe(std::uint16_t candidate,
                                                      GatewayRateHold& hold) {
  link::CanGateway& gateway = communication_.Can();
  link::StatusGroup& status = communication_.Status();
  GatewayLine& line = line_;
  for (int index = 0; index < CanBitRateTable::kCount; ++index) {
    const CanBitRateTable::Registers pair = CanBitRateTable::RegistersOf(index);
    if (!line.Command([&] { return gateway.SetBCR1BCR2(pair.bcr1, pair.bcr2); })) return BreakOff();
    hold.Moved(pair);
    std::uint16_t answered = 0;
    const GatewayLine::Reach reach =
        line.Ask([&] { return gateway.ReadModuleIdOf(candidate, answered); });
    if (reach == GatewayLine::Reach::kLineDead) return BreakOff();
    if (reach == GatewayLine::Reach::kAnswered) {
      const ProbeResult probed = Found(candidate, answered, hold);
      if (probed == ProbeResult::kBrokenOff) return probed;
    }
    // Back to the rate the gateway keeps in its EEPROM before the next rate is tried.
    if (!line.Command([&] { return status.ResetSoftware(); })) return BreakOff();
    hold.Reset();
    if (reach == GatewayLine::Reach::kAnswered) return ProbeResult::kFound;
  }
  return ProbeResult::kAbsent;
}

void CanNetworkSearch::Run() {
  ending_ = {};
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
  ending_.kept = kept;
  GatewayLine& line = line_;
  // From the first write on the gateway's rate is this owner's to put back.
  GatewayRateHold hold(communication_, line, kept, start);
  bool brokenOff = !PrepareGateway(kept, ownId, hold);
  std::optional<int> ownRate;
  if (!brokenOff) ownRate = GatewayRateHold::ReadRate(communication_, line);
  if (brokenOff || !ownRate) {
    ending_.brokenOff = GatewayLine::kDead;
    brokenOff = true;
  } else {
    listener_.ModuleFound(ownId, *ownRate);
  }
  int found = 1;
  communication_.ClaimLink();

  parameters::ModuleSearch candidates(
      [&](std::uint16_t candidate) {
        if (candidate == ownId) return false;
        const ProbeResult probed = Probe(candidate, hold);
        if (probed == ProbeResult::kBrokenOff) brokenOff = true;
        if (probed != ProbeResult::kFound) return false;
        ++found;
        return true;
      },
      kLastCandidate);
  while (!brokenOff && found < count_ && !candidates.Done() && WaitForTick()) {
    const int next = candidates.Searched() + 1;
    listener_.Probing(next);
    candidates.Step();
    probed_.store(candidates.Searched());
  }

  ending_.restored = hold.Release();
  ending_.leftWith = hold.LeftWith();
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

bool CanSearchOutcome::Settle(link::ZelCommunication& communication, CanModule& module,
                              const std::vector<std::uint16_t>& modules,
                              const std::vector<int>& rates, CanBitRateTable::Registers kept,
                              std::string& leftWith) {
  link::CanGateway& gateway = communication.Can();
  GatewayLine line(communication.Link());
  for (std::size_t i = 0; i < modules.size() && i < rates.size(); ++i) {
    // A rate outside the table would be sent as 500 kBit/s: such a module is left as it is.
    if (rates[i] < 0 || rates[i] >= CanBitRateTable::kCount) continue;
    const CanBitRateTable::Registers pair = CanBitRateTable::RegistersOf(rates[i]);
    line.Command([&] { return gateway.SetModuleBitRate(modules[i], pair.bcr1, pair.bcr2); });
    line.Command([&] { return gateway.SetBCR1BCR2(pair.bcr1, pair.bcr2); });
    line.Command([&] { return module.ResetSoftware(modules[i]); });
    line.Command([&] { return communication.Status().ResetSoftware(); });
  }
  // The last reset loads the gateway's stored pair; set the kept one again in any case, so that
  // a reset that did not get through leaves no module's pair behind.
  line.Command([&] { return gateway.SetBCR1BCR2(kept.bcr1, kept.bcr2); });
  CanBitRateTable::Registers read;
  const std::optional<int> index = GatewayRateHold::ReadRate(communication, line, &read);
  if (index && read == kept) return true;
  leftWith = GatewayRateHold::LeftAt(index, kept);
  return false;
}

}  // namespace zel::can
