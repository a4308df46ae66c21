#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/ZelCtl.h"
#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"
#include "sim/Simulator.h"

namespace zel::cli {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class MonitorCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SimulatorOptions options;
    options.linkPath =
        (std::filesystem::temp_directory_path() / ("zelctl-monitor-" + std::to_string(::getpid())))
            .string();
    options.device.identity.softwareVersion = 0x1001;
    sim_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
  }
  void TearDown() override { sim_->Stop(); }

  int Run(std::vector<std::string> args, std::ostringstream& out, std::ostringstream& err) {
    args.insert(args.begin(), {"--device", sim_->LinkPath()});
    return RunZelCtl(args, out, err);
  }

  std::unique_ptr<sim::Simulator> sim_;
};

TEST_F(MonitorCommandTest, RecordsCyclesAsJsonOrCsvAndCtrlCLeavesTheLineClosed) {
  sim_->Device().RaiseError(0);
  {
    std::ostringstream out, err;
    ASSERT_EQ(Run({"--json", "monitor", "--cycles", "3"}, out, err), 0) << err.str();
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 3u) << out.str();
    for (const std::string& line : lines) {
      EXPECT_NE(line.find("\"online\":true"), std::string::npos) << line;
      EXPECT_NE(line.find("\"mode\":\"speed\""), std::string::npos) << line;
      EXPECT_NE(line.find("\"SpeedDetValue\":"), std::string::npos) << line;
      EXPECT_NE(line.find("\"errorWordHex\":\"0x8001\""), std::string::npos) << line;
      EXPECT_NE(line.find("\"canErrorWordHex\":\"0x0000\""), std::string::npos) << line;
    }
    EXPECT_NE(lines[2].find("\"cycle\":3,"), std::string::npos);
  }
  {
    std::ostringstream out, err;
    ASSERT_EQ(Run({"monitor", "--csv", "--cycles=2", "--period", "200"}, out, err), 0) << err.str();
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 3u) << out.str();
    EXPECT_EQ(lines[0].rfind("timeMs,cycle,online,cfg,status,mode,MaxSpeed,", 0), 0u);
    const long first = std::stol(lines[1]);
    const long second = std::stol(lines[2]);
    EXPECT_GT(second, first);
    EXPECT_NE(lines[1].find(",1,1,"), std::string::npos) << lines[1];
  }
  {
    std::ostringstream out, err;
    const uint64_t frames = sim_->Stats().framesAccepted;
    EXPECT_EQ(Run({"monitor", "--period", "50"}, out, err), 2);
    EXPECT_EQ(Run({"--json", "monitor", "--csv"}, out, err), 2);
    EXPECT_EQ(sim_->Stats().framesAccepted, frames) << "a wrong command line sends nothing";
  }
  const uint64_t frames = sim_->Stats().framesAccepted;
  // Ctrl-C: the monitor stops, the port is given up, the program ends normally.
  std::ostringstream out, err;
  auto run = std::async(std::launch::async, [&] { return Run({"monitor"}, out, err); });
  // Frames on the line mean the monitor runs, and it starts only once Ctrl-C is caught.
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  while (sim_->Stats().framesAccepted < frames + 20 && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(10ms);
  ::kill(::getpid(), SIGINT);
  ASSERT_EQ(run.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(run.get(), 0) << err.str();
  EXPECT_FALSE(Lines(out.str()).empty());
  link::ZelCommunication again(link::PosixSerialChannel::OpenerForPath(sim_->LinkPath()));
  EXPECT_TRUE(again.ReopenLink()) << "the port is still held";
}

// The drive holds error 0x8001, but nothing of it is read: no format may show a value, nor a
// cycle as succeeded.
TEST_F(MonitorCommandTest, AnOfflineCycleSaysSoAndCarriesNoValuesInAnyFormat) {
  sim_->Device().RaiseError(0);
  sim_->Faults().SetNeverAnswer(true);
  const std::vector<std::string> fast{"--timeout", "10", "--trials", "1"};
  auto run = [&](std::vector<std::string> args, std::ostringstream& out, std::ostringstream& err) {
    args.insert(args.begin(), fast.begin(), fast.end());
    return Run(args, out, err);
  };
  {
    std::ostringstream out, err;
    EXPECT_EQ(run({"--json", "monitor", "--cycles", "1"}, out, err), 1);
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 1u) << out.str();
    EXPECT_EQ(lines[0].rfind("{\"ok\":false,\"cycle\":1,", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("\"online\":false"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"error\":\"The ZEL is not online!\\nPlease check the communication "
                            "settings!\""),
              std::string::npos)
        << lines[0];
    for (const char* key : {"errorWord", "cfg", "status", "values", "mode", "disabled"})
      EXPECT_EQ(lines[0].find(key), std::string::npos) << key << " in " << lines[0];
    EXPECT_NE(err.str().find("did not answer"), std::string::npos) << err.str();
  }
  {
    std::ostringstream out, err;
    EXPECT_EQ(run({"monitor", "--csv", "--cycles", "1"}, out, err), 1);
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 2u) << out.str();
    const std::string row = lines[1].substr(lines[1].find(','));
    EXPECT_EQ(row, ",1,0,,,,,,,,,,,,,,,,,,") << "only the time, the cycle and the online state";
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','),
              std::count(lines[1].begin(), lines[1].end(), ','));
  }
  {
    std::ostringstream out, err;
    EXPECT_EQ(run({"monitor", "--cycles", "1"}, out, err), 1);
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 1u) << out.str();
    EXPECT_EQ(lines[0].substr(lines[0].size() - 9), "  offline") << lines[0];
    EXPECT_EQ(lines[0].find("error"), std::string::npos) << lines[0];
  }
}

}  // namespace
}  // namespace zel::cli
