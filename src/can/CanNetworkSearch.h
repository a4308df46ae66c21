#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "can/GatewayLine.h"
#include "link/CanBitRateTable.h"
#include "ui/PeriodicWorker.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::can {

class CanModule;
class GatewayRateHold;

// The CAN wizard's search for the modules of a network, and its bit-rate run. One candidate ID
// per tick of a 200 ms timer, each tried at the eight bit rates in table order with the
// gateway's reset after every try, so a module that listens at any rate is found; the bit-rate
// run moves each found module (and the gateway) to one target rate as it goes.
//
// The search leaves every drive's stored configuration as it found it: only the bit-rate run
// stores a rate, the one asked for. The gateway's rate is owned by a GatewayRateHold from the
// first write on, so it is put back (and read back) on every way out. When the serial line
// itself stops answering the search ends at once, the line named in End(); it never takes a
// dead line for an absent module.
//
// Thread rules: Start and Stop on the user-interface thread. The listener is called on the
// search thread and must only post. The search claims the link after the gateway has been
// prepared and releases it on every way out (Stop, the last candidate, enough modules found, a
// dead line), after restoring the gateway. A gateway whose own rate or module ID cannot be read
// is left untouched: the search ends failed before it writes anything or claims the line. Stop
// lets the probe under way finish. End() is read after the thread has been joined (Stop). The
// stack and the module operations must outlive the search.
class CanNetworkSearch final : public ui::PeriodicWorker {
 public:
  static constexpr std::uint32_t kTickMs = 200;
  static constexpr int kLastCandidate = 127;
  enum class Mode { kSearch = 0, kBitRate = 1 };

  class Listener {
   public:
    virtual ~Listener() = default;
    // The module ID that answered and the gateway's bit-rate index at that moment.
    virtual void ModuleFound(std::uint16_t moduleId, int bitRateIndex) = 0;
    virtual void Probing(int candidate) = 0;
    // The last report. failed: the gateway's own rate registers or module ID could not be read,
    // so nothing was written and nobody was asked.
    virtual void Finished(bool failed) = 0;
  };

  CanNetworkSearch(link::ZelCommunication& communication, CanModule& module, Listener& listener);
  CanNetworkSearch(link::ZelCommunication& communication, CanModule& module, Listener& listener,
                   std::unique_ptr<ui::PeriodicTimer> timer);
  ~CanNetworkSearch() override;

  // Set before Start: how many modules to find (the gateway counts), the mode, and the target
  // pair of the bit-rate run.
  void Configure(int count, Mode mode, link::CanBitRateTable::Registers target);

  // Candidates asked so far (the gateway's own ID is passed over without asking).
  int Probed() const { return probed_.load(); }

  // How the search ended, complete once the thread has been joined.
  struct Ending {
    // Empty, or why the search broke off (the serial line stopped answering).
    std::string brokenOff;
    // The gateway reads back the pair it keeps; else leftWith says what it is left at.
    bool restored = true;
    std::string leftWith;
    // The pair the gateway keeps: its own, or the target of the bit-rate run.
    link::CanBitRateTable::Registers kept;
  };
  const Ending& End() const { return ending_; }

 protected:
  void Run() override;

 private:
  // The gateway's rate registers and module ID as the search starts; false when any read fails.
  bool ReadGateway(link::CanBitRateTable::Registers& start, std::uint16_t& ownId);
  bool PrepareGateway(link::CanBitRateTable::Registers pair, std::uint16_t ownId,
                      GatewayRateHold& hold);
  enum class ProbeResult { kFound, kAbsent, kBrokenOff };
  ProbeResult Probe(std::uint16_t candidate, GatewayRateHold& hold);
  ProbeResult Found(std::uint16_t candidate, std::uint16_t answered, GatewayRateHold& hold);
  // The search ends here: the line named, the gateway put back by the caller.
  ProbeResult BreakOff();

  link::ZelCommunication& communication_;
  CanModule& module_;
  Listener& listener_;
  // One for the whole search, so that a line found dead stays so until it answers again.
  GatewayLine line_;
  int count_ = 0;
  Mode mode_ = Mode::kSearch;
  link::CanBitRateTable::Registers target_;
  std::atomic<int> probed_{0};
  Ending ending_;
};

// What the page and zelctl do once a search has finished: each found module and the gateway are
// set to the module's own rate and reset, and the outcome is judged.
struct CanSearchOutcome {
  static constexpr const char* kDifferentRates = "Set all Bitrate in the same state!";

  bool allFound = true;
  // All found modules share one rate (true with none found: nothing differs).
  bool sameRate = true;
  // That rate (11 when the registers match no rate of the table), -1 when none was found or
  // the rates differ.
  int bitRateIndex = -1;
  // "Only %i from " "%i searched modules found in your network!".
  std::string notAllFoundText;

  static CanSearchOutcome Judge(const std::vector<std::uint16_t>& modules,
                                const std::vector<int>& rates, int count);
  // Sends each module's own pair to it and to the gateway and resets both (a module of unknown
  // rate is left alone), then reads the gateway's registers back: true when they hold kept,
  // else leftWith says what the gateway is left at. A module gone from the bus is no failure.
  static bool Settle(link::ZelCommunication& communication, CanModule& module,
                     const std::vector<std::uint16_t>& modules, const std::vector<int>& rates,
                     link::CanBitRateTable::Registers kept, std::string& leftWith);
};

}  // namespace zel::can
