#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ZelCtl.h"
#include "support/DeviceTree.h"

namespace zel::cli {
namespace {

struct Result {
  int rc = 0;
  std::string out;
  std::string err;
};

Result Zelctl(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int rc = RunZelCtl(args, out, err);
  return {rc, out.str(), err.str()};
}

int TimerValue(const std::filesystem::path& file) {
  int value = -1;
  std::ifstream(file) >> value;
  return value;
}

// A laptop with two placeholder UARTs and an FTDI adapter: the adapter is Com1 by its by-id name,
// the search finds the ZEL behind it and lowers its latency timer, and a port the user assigns
// it to opens it instead until the map is reset.
TEST(PortMapCommand, AnAdapterBesidePlaceholderUartsIsCom1AndTheZelBehindItIsFound) {
  test::DeviceTree tree;
  tree.PlugAdapter(0, 9600, 16);
  const std::string byId = tree.ById().string();

  Result r = Zelctl({"--json", "ports"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.out.find("{\"port\":1,\"path\":\"" + byId +
                       "\",\"present\":true,\"source\":\"default\",\"node\":\"ttyUSB0\","
                       "\"driver\":\"ftdi_sio\",\"latencyMs\":16}"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("{\"port\":2,\"path\":\"\",\"present\":false}"), std::string::npos)
      << "the placeholders get no port: " << r.out;
  r = Zelctl({"ports"});
  EXPECT_NE(r.out.find("Com1   " + byId + "  (ttyUSB0, ftdi_sio, latency 16 ms)\n"),
            std::string::npos)
      << r.out;

  r = Zelctl({"search"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.out.find("Port:\tCom1\nBaudrate:\t9600 baud"), std::string::npos) << r.out;
  EXPECT_EQ(TimerValue(tree.LatencyTimer(0)), 1) << "a writable timer is set to 1 ms on open";
  EXPECT_EQ(r.err.find("latency timer"), std::string::npos) << r.err;

  ASSERT_EQ(Zelctl({"ports", "assign", "Com4", byId}).rc, 0);
  r = Zelctl({"--json", "ports"});
  EXPECT_NE(r.out.find("{\"port\":1,\"path\":\"\",\"present\":false}"), std::string::npos)
      << "an assigned device is not Com1 as well: " << r.out;
  EXPECT_NE(
      r.out.find("{\"port\":4,\"path\":\"" + byId + "\",\"present\":true,\"source\":\"assigned\""),
      std::string::npos)
      << r.out;
  r = Zelctl({"--port", "Com4", "--baud", "9600", "version"});
  EXPECT_EQ(r.rc, 0) << r.err;
  r = Zelctl({"--baud", "9600", "version"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("Com1 has no serial device"), std::string::npos) << r.err;

  ASSERT_EQ(Zelctl({"ports", "reset"}).rc, 0);
  EXPECT_EQ(Zelctl({"--baud", "9600", "version"}).rc, 0);
  EXPECT_EQ(Zelctl({"ports", "assign", "Com11", byId}).rc, 2);
  EXPECT_EQ(Zelctl({"ports", "reset", "Port3"}).rc, 2);
}

// A timer the account may not write stays at 16 ms: zelctl says so with the remedy, once a run.
TEST(PortMapCommand, ALatencyTimerThatStaysHighIsReportedOnceWithTheFix) {
  test::DeviceTree tree;
  tree.PlugAdapter(0, 38400, 16, /*writable=*/false);
  Result r = Zelctl({"version"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.err.find("zelctl: The latency timer of ttyUSB0 (ftdi_sio) is 16 ms and could not "
                       "be set to 1 ms"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("echo 1 | sudo tee " + tree.LatencyTimer(0).string()), std::string::npos)
      << r.err;
  EXPECT_EQ(TimerValue(tree.LatencyTimer(0)), 16);
  r = Zelctl({"version"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.err.find("latency timer"), std::string::npos) << "said once: " << r.err;
}

}  // namespace
}  // namespace zel::cli
