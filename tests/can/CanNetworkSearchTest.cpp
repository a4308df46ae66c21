#include "can/CanNetworkSearch.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "can/CanBusZel.h"
#include "link/LinkObserver.h"
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
  void Finished() override {
    {
      std::lock_guard lock(mutex_);
      finished = true;
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

 private:
  std::mutex mutex_;
  std::condition_variable done_;
};

// Opcode and first words of each exchange the tool made, in order.
class Exchanges final : public link::LinkObserver {
 public:
  void OnExchange(const link::ExchangeRecord& record) override {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
  }
  std::vector<link::ExchangeRecord> Records() {
    std::lock_guard lock(mutex_);
    return records_;
  }

 private:
  std::mutex mutex_;
  std::vector<link::ExchangeRecord> records_;
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
    CanNetworkSearch search(*comm_, *module_, reports);
    search.Configure(1, CanNetworkSearch::Mode::kSearch, {});
    ASSERT_TRUE(search.Start());
    reports.AwaitFinished();
    search.Stop();
    EXPECT_EQ(reports.found, (std::vector<std::pair<uint16_t, int>>{{2, 2}}));
    EXPECT_TRUE(reports.probed.empty());
    for (const auto& record : exchanges.Records())
      EXPECT_NE(record.opcode, link::CanGateway::kGetRemoteData) << Brief(record);
  }

  // Three: the gateway, 5 (500 kBit/s) and 6 (125 kBit/s); 1, 3 and 4 are absent.
  Reports reports;
  CanNetworkSearch search(*comm_, *module_, reports);
  search.Configure(3, CanNetworkSearch::Mode::kSearch, {});
  ASSERT_TRUE(search.Start());
  reports.AwaitFinished();
  search.Stop();
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
  // Found modules start on the enabling command; the gateway is back at its own rate, and the
  // line is free again for this thread.
  EXPECT_NE(OnBus(6).EepromParameter(1) & sim::DeviceModel::kConfigSoftwareEnable, 0);
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

}  // namespace
}  // namespace zel::can
