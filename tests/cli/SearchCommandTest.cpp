#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/ZelCtl.h"
#include "support/SearchPorts.h"

namespace zel::cli {
namespace {

// The stored time-out and trials are those of the command line; every candidate copies them.
int RunSearch(std::vector<std::string> extra, std::ostringstream& out, std::ostringstream& err) {
  std::vector<std::string> args{"--timeout", "10", "--trials", "1"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back("search");
  return RunZelCtl(args, out, err);
}

TEST(SearchCommand, FindsAZelAtTheLastCandidateAndSaysWhereInTheToolsWords) {
  test::SearchPorts ports;
  for (int n = 1; n <= 5; ++n) ports.Absent(n);
  ports.Zel(6, 57600);
  std::ostringstream out, err;
  ASSERT_EQ(RunSearch({}, out, err), 0) << err.str();
  EXPECT_EQ(out.str(),
            "Correct communication setting found!\n\nPort:\tCom6\nBaudrate:\t57600 baud\n");
  // Progress is for a terminal only; the error stream here is none.
  EXPECT_EQ(err.str(), "");
}

TEST(SearchCommand, AZelAtARateOrPortOutsideTheCandidatesIsNeverFound) {
  test::SearchPorts ports;
  for (int n : {1, 3, 4, 5, 6}) ports.Absent(n);
  ports.Zel(2, 4800);
  ports.Zel(7, 19200);
  std::ostringstream out, err;
  EXPECT_EQ(RunSearch({"--json"}, out, err), 1);
  EXPECT_NE(err.str().find("No communication setting found!"), std::string::npos) << err.str();
  EXPECT_EQ(out.str().rfind("{\"ok\":false,\"error\":\"No communication setting found!\"", 0), 0u)
      << out.str();
  std::ostringstream out2, err2;
  EXPECT_EQ(RunZelCtl({"--device", "/dev/null", "search"}, out2, err2), 2);
}

}  // namespace
}  // namespace zel::cli
