#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "link/CSearchCommunicationDlg.h"
#include "link/CommunicationSearch.h"
#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"
#include "support/SearchPorts.h"
#include "ui/ScriptedHost.h"

namespace zel::link {
namespace {

using ui::ScriptedHost;
using ui::Window;

// A stack whose ports follow the ComN mapping, remembering every open; the stored settings
// have a short time-out and one trial, which every candidate copies.
struct SearchDesk {
  SearchDesk()
      : comm([this](const std::string& deviceName, int32_t baud, uint8_t& code) {
          {
            std::lock_guard lock(mutex);
            opens.push_back(deviceName + "@" + std::to_string(baud));
          }
          return PosixSerialChannel::Opener()(deviceName, baud, code);
        }) {
    comm.Settings().timeoutMs = 10;
    comm.Settings().transmitTrials = 1;
  }
  std::vector<std::string> Opens() {
    std::lock_guard lock(mutex);
    return opens;
  }
  ScriptedHost host;
  std::mutex mutex;
  std::vector<std::string> opens;
  ZelCommunication comm;
};

TEST(CommunicationSearch, CandidatesArePortMajorWithTheStoredTimeoutAndTrials) {
  CommSettings stored;
  stored.portName = "Com9";
  stored.timeoutMs = 25;
  stored.transmitTrials = 2;
  const std::vector<CommSettings> candidates = CommunicationSearch::BuildCandidates(stored);
  ASSERT_EQ(candidates.size(), 30u);
  EXPECT_EQ(candidates[0].portName, "Com1");
  EXPECT_EQ(candidates[0].baudRate, 9600);
  EXPECT_EQ(candidates[1].baudRate, 14400);
  EXPECT_EQ(candidates[7].portName, "Com2");
  EXPECT_EQ(candidates[7].baudRate, 19200);
  EXPECT_EQ(candidates[29].portName, "Com6");
  EXPECT_EQ(candidates[29].baudRate, 57600);
  for (const CommSettings& candidate : candidates) {
    EXPECT_EQ(candidate.timeoutMs, 25);
    EXPECT_EQ(candidate.transmitTrials, 2);
  }
}

TEST(CommunicationSearch, AZelAtCom2And19200IsTheEighthCandidateAndStaysOpen) {
  test::SearchPorts ports;
  for (int n : {1, 3, 4, 5, 6}) ports.Silent(n);
  ports.Zel(2, 19200);
  SearchDesk desk;
  std::vector<int> progress;
  desk.host.QueueModal([&](Window& w) {
    EXPECT_EQ(w.Title(), "Search Communication");
    EXPECT_EQ(w.Text(CSearchCommunicationDlg::kIdText), "Searching communication ...");
    EXPECT_EQ(w.Find(CSearchCommunicationDlg::kIdProgress)->maximum, 30);
    ScriptedHost::PumpUntil(
        [&] {
          const int value = w.Value(CSearchCommunicationDlg::kIdProgress);
          if (progress.empty() || progress.back() != value) progress.push_back(value);
          return w.IsEnded();
        },
        std::chrono::seconds(60));
  });
  EXPECT_TRUE(SearchCommunication(desk.comm, true));
  EXPECT_EQ(desk.host.Messages(),
            std::vector<std::string>{
                "Correct communication setting found!\n\nPort:\tCom2\nBaudrate:\t19200 baud"});
  EXPECT_EQ(desk.host.UnfinishedWindows(), 0);
  EXPECT_EQ(progress.back(), 7);
  const std::vector<std::string> opens = desk.Opens();
  ASSERT_EQ(opens.size(), 8u);
  EXPECT_EQ(opens.front(), "COM1@9600");
  EXPECT_EQ(opens.back(), "COM2@19200");
  EXPECT_EQ(desk.comm.Settings().portName, "Com2");
  EXPECT_EQ(desk.comm.Settings().baudRate, 19200);
  EXPECT_EQ(desk.comm.Settings().timeoutMs, 10);
  uint16_t sw = 0, hw = 0, an = 0, av = 0;
  EXPECT_TRUE(desk.comm.Parameter().ReadVersion(sw, hw, an, av)) << "the found line is open";
}

TEST(CommunicationSearch, ExitDuringTheThirdCandidateFinishesItAndRestoresTheSavedSettings) {
  test::SearchPorts ports;
  for (int n : {1, 2, 3, 4, 5, 6}) ports.Silent(n);
  SearchDesk desk;
  desk.comm.Settings().portName = "Com4";
  desk.comm.Settings().baudRate = 38400;
  const CommSettings saved = desk.comm.Settings();
  desk.host.QueueModal([&](Window& w) {
    // The bar shows 2 before the worker has begun the third candidate; its open marks that.
    ASSERT_TRUE(ScriptedHost::PumpUntil([&] {
      return w.Value(CSearchCommunicationDlg::kIdProgress) == 2 && desk.Opens().size() == 3;
    }));
    w.Press(CSearchCommunicationDlg::kIdExit);
    EXPECT_TRUE(w.IsEnded());
  });
  EXPECT_FALSE(SearchCommunication(desk.comm, true));
  EXPECT_EQ(desk.host.Messages(), std::vector<std::string>{"No communication setting found!"});
  EXPECT_EQ(desk.host.UnfinishedWindows(), 0);
  EXPECT_EQ(desk.Opens(),
            (std::vector<std::string>{"COM1@9600", "COM1@14400", "COM1@19200", "COM4@38400"}));
  EXPECT_EQ(desk.comm.Settings(), saved);
}

}  // namespace
}  // namespace zel::link
