#include "can/CanNetworkSearch.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "can/CanBusZel.h"
#include "can/GatewayLine.h"
#include "link/LinkObserver.h"
#include "link/ParameterGroup.h"
#include "link/SerialLink.h"

namespace zel::can {
namespace {

// What the search reported, for the test thread once the search has ended.
class Reports final : public CanNetworkSearch::Listener {
 public:
  void ModuleFound(uint16_t id, int rate) override {
    std::lock_guard lock(mutex_);
    found.emplace_back(id, rate);
  }
  void Probing(int candidate) override {
    std::lock_guard lock(mutex_);
    probed.push_back(candidate);
  }
  void Finished(bool didFail) override {
    {
      std::lock_guard lock(mutex_);
      finished = true;
      failed = didFail;
    }
    done_.notify_all();
  }
  void AwaitFinished() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return finished; });
  }

  std::vector<std::pair<uint16_t, int>> found;
  std::vector<int> probed;
  bool finished = false;
  bool failed = false;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
};

// Opcode and first words of each exchange the tool made, in order. It can have the ZEL refuse
// the next command with a reply once a given parameter has been read, so a read in the middle of
// a sequence fails while the ones before it succeed.
class Exchanges final : public link::LinkObserver {
 public:
  void RefuseAfterReading(sim::FaultInjector& faults, uint16_t number) {
    faults_ = &faults;
    refuseAfter_ = number;
  }
  // Runs arm (a fault) on the exchanging thread once count exchanges have been seen.
  void ArmAfter(std::size_t count, std::function<void()> arm) {
    armAfter_ = count;
    arm_ = std::move(arm);
  }
  void OnExchange(const link::ExchangeRecord& record) override {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
    if (arm_ && records_.size() == armAfter_) arm_();
    if (faults_ && record.opcode == link::ParameterGroup::kReadTempParam &&
        !record.arguments.empty() && record.arguments[0] == refuseAfter_) {
      faults_->RefuseReplies(1);
      faults_ = nullptr;
    }
  }
  std::vector<link::ExchangeRecord> Records() {
    std::lock_guard lock(mutex_);
    return records_;
  }

 private:
  std::mutex mutex_;
  std::vector<link::ExchangeRecord> records_;
  sim::FaultInjector* faults_ = nullptr;
  uint16_t refuseAfter_ = 0;
  std::size_t armAfter_ = 0;
  std::function<void()> arm_;
};

std::string Brief(const link::ExchangeRecord& r) {
  char text[32];
  if (r.opcode == link::CanGateway::kSetBcr1 && r.arguments.size() >= 2)
    std::snprintf(text, sizeof text, "rate %.4X/%u", r.arguments[0], r.arguments[1]);
  else if (r.opcode == link::CanGateway::kGetRemoteData && !r.arguments.empty())
    std::snprintf(text, sizeof text, "ask %u", r.arguments[0]);
  else
    std::snprintf(text, sizeof text, "op %u", r.opcode);
  return text;
}

// A whole search for count modules, waited for until its last report; how it ended.
CanNetworkSearch::Ending SearchFor(link::ZelCommunication& comm, CanModule& module,
                                   Reports& reports, int count) {
  CanNetworkSearch search(comm, module, reports);
  search.Configure(count, CanNetworkSearch::Mode::kSearch, {});
  EXPECT_TRUE(search.Start());
  reports.AwaitFinished();
  search.Stop();
  return search.End();
}

TEST_F(CanBusZelTest, SearchTriesEachRateInTableOrderAndFreesTheLinkAfterwards) {
  // A module that answers late on a loaded machine must not count as absent.
  link::CommSettings settings = comm_->Settings();
  settings.timeoutMs = 150;
  ASSERT_TRUE(comm_->OpenLink(settings));
  Exchanges exchanges;
  comm_->Link().SetObserver(&exchanges);

  // Asked for one module, the gateway itself is the one: nobody on the bus is asked.
  {
    Reports reports;
    SearchFor(*comm_, *module_, reports, 1);
    EXPECT_EQ(reports.found, (std::vector<std::pair<uint16_t, int>>{{2, 2}}));
    EXPECT_TRUE(reports.probed.empty());
    for (const auto& record : exchanges.Records())
      EXPECT_NE(record.opcode, link::CanGateway::kGetRemoteData) << Brief(record);
  }

  // Three: the gateway, 5 (500 kBit/s) and 6 (125 kBit/s); 1, 3 and 4 are absent.
  const std::vector<uint16_t> configs = {simulator_->Device().EepromParameter(1),
                                         OnBus(5).EepromParameter(1), OnBus(6).EepromParameter(1)};
  Reports reports;
  EXPECT_TRUE(SearchFor(*comm_, *module_, reports, 3).restored);
  EXPECT_EQ(reports.found, (std::vector<std::pair<uint16_t, int>>{{2, 2}, {5, 2}, {6, 4}}));
  EXPECT_EQ(reports.probed, (std::vector<int>{1, 2, 3, 4, 5, 6}));

  // Module 6 is asked at 1 MBit/s, 800, 500 and 250 kBit/s first, the gateway reset after each.
  std::vector<std::string> seen;
  const auto records = exchanges.Records();
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (Brief(records[i]) != "ask 6") continue;
    for (std::size_t j = i - 1; j < records.size() && seen.size() < 14; ++j) {
      const std::string brief = Brief(records[j]);
      if (brief.starts_with("rate") || brief == "ask 6" || brief == "op 4") seen.push_back(brief);
    }
    break;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"rate 062A/1", "ask 6", "op 4", "rate 061A/4", "ask 6",
                                            "op 4", "rate 066C/1", "ask 6", "op 4", "rate 066C/3",
                                            "ask 6", "op 4", "rate 0673/7", "ask 6"}));
  // Every drive keeps its stored configuration, its enabling with it; the gateway is back at its
  // own rate, and the line is free again for this thread.
  EXPECT_EQ(configs,
            (std::vector<uint16_t>{simulator_->Device().EepromParameter(1),
                                   OnBus(5).EepromParameter(1), OnBus(6).EepromParameter(1)}));
  EXPECT_EQ(OnBus(6).TempParameter(1) & sim::DeviceModel::kConfigSoftwareEnable, 0);
  uint16_t bcr1 = 0, bcr2 = 0;
  ASSERT_TRUE(comm_->Parameter().ReadTempParam(34, bcr1));
  ASSERT_TRUE(comm_->Parameter().ReadTempParam(35, bcr2));
  EXPECT_EQ(link::CanBitRateTable::IndexOf(bcr1, bcr2), 2);
  comm_->Link().SetObserver(nullptr);

  const CanSearchOutcome outcome = CanSearchOutcome::Judge({2, 5, 6}, {2, 2, 4}, 5);
  EXPECT_FALSE(outcome.allFound);
  EXPECT_FALSE(outcome.sameRate);
  EXPECT_EQ(outcome.notAllFoundText, "Only 3 from 5 searched modules found in your network!");
}

TEST_F(CanBusZelTest, SearchThatCannotReadTheGatewayWritesNothingAndAsksNobody) {
  const sim::DeviceModel& gateway = simulator_->Device();
  const uint16_t eepromBcr1 = gateway.EepromParameter(34);
  const uint16_t eepromBcr2 = gateway.EepromParameter(35);
  // First the rate register goes unanswered, then the module ID after both registers were read.
  for (const bool registers : {true, false}) {
    SCOPED_TRACE(registers ? "CAN_BCR1 refused" : "ReadModuleID refused");
    Exchanges exchanges;
    if (registers)
      simulator_->Faults().RefuseReplies(1);
    else
      exchanges.RefuseAfterReading(simulator_->Faults(), 35);
    comm_->Link().SetObserver(&exchanges);
    Reports reports;
    SearchFor(*comm_, *module_, reports, 3);
    comm_->Link().SetObserver(nullptr);

    EXPECT_TRUE(reports.failed);
    EXPECT_TRUE(reports.found.empty());
    EXPECT_TRUE(reports.probed.empty());
    // Only the reads went out, the refused one last: no rate to the gateway or to CAN ID 0.
    const auto records = exchanges.Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().opcode,
              registers ? link::ParameterGroup::kReadTempParam : link::CanGateway::kReadModuleId);
    EXPECT_FALSE(records.back().success);
    std::vector<std::string> others;
    for (const auto& record : records)
      if (record.opcode != link::ParameterGroup::kReadTempParam &&
          record.opcode != link::CanGateway::kReadModuleId)
        others.push_back(Brief(record));
    EXPECT_EQ(others, std::vector<std::string>{});
    EXPECT_EQ(gateway.EepromParameter(34), eepromBcr1);
    EXPECT_EQ(gateway.EepromParameter(35), eepromBcr2);
    // The line was never claimed, so this thread still reaches the ZEL.
    uint16_t bcr1 = 0;
    EXPECT_TRUE(comm_->Parameter().ReadTempParam(34, bcr1));
    EXPECT_EQ(bcr1, eepromBcr1);
  }
  EXPECT_TRUE(host_.ModalTitles().empty());
}

TEST_F(CanBusZelTest, SearchPutsTheGatewayBackOrNamesTheRateItIsLeftAt) {
  // The line hangs up in the middle of the probing: the port is opened again, and the search
  // ends as without it.
  {
    Exchanges exchanges;
    exchanges.ArmAfter(40, [this] { simulator_->Faults().HangUpOnNextOpcode(1); });
    comm_->Link().SetObserver(&exchanges);
    Reports reports;
    const CanNetworkSearch::Ending end = SearchFor(*comm_, *module_, reports, 3);
    comm_->Link().SetObserver(nullptr);
    EXPECT_TRUE(end.brokenOff.empty()) << end.brokenOff;
    EXPECT_TRUE(end.restored) << end.leftWith;
    EXPECT_EQ(reports.found, (std::vector<std::pair<uint16_t, int>>{{2, 2}, {5, 2}, {6, 4}}));
    EXPECT_EQ(simulator_->Stats().hangUps, 1u);
  }
  // The line goes dead while the gateway is at some probing rate: the search breaks off naming
  // the line, and the rate it names is the one the gateway holds.
  Exchanges exchanges;
  exchanges.ArmAfter(30, [this] { simulator_->Faults().SetNeverAnswer(true); });
  comm_->Link().SetObserver(&exchanges);
  Reports reports;
  const CanNetworkSearch::Ending end = SearchFor(*comm_, *module_, reports, 3);
  comm_->Link().SetObserver(nullptr);
  EXPECT_EQ(end.brokenOff, GatewayLine::kDead);
  EXPECT_FALSE(end.restored);
  EXPECT_EQ(reports.found, (std::vector<std::pair<uint16_t, int>>{{2, 2}}));
  simulator_->Faults().ClearAll();
  uint16_t bcr1 = 0, bcr2 = 0;
  ASSERT_TRUE(comm_->Parameter().ReadTempParam(34, bcr1));
  ASSERT_TRUE(comm_->Parameter().ReadTempParam(35, bcr2));
  const std::string rate = link::CanBitRateTable::Text(link::CanBitRateTable::IndexOf(bcr1, bcr2));
  EXPECT_NE(end.leftWith.find("left at " + rate + ":"), std::string::npos) << end.leftWith;
}

}  // namespace
}  // namespace zel::can
