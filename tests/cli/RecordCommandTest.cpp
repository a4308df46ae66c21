#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cli/CommandContext.h"
#include "cli/SimulatedZelCtlTest.h"

namespace zel::cli {
namespace {

class RecordCommandTest : public SimulatedZelCtlTest {
 protected:
  std::string File(const std::string& name) { return (dir_ / name).string(); }
};

TEST_F(RecordCommandTest, RecordsAJumpShowsAndExportsItAndRefusesWhatTheDialogRefuses) {
  // Not enabled by software: the box's text, and nothing written.
  EXPECT_EQ(Run({"record", "--variable", "134", "--period", "0.5", "--jump", "1000", "-o",
                 File("a.rda")}),
            kExitFailed);
  EXPECT_NE(err_.str().find("'SetValue' input deactive?          "), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(File("a.rda")));

  ASSERT_EQ(Run({"param", "set", "SysConfig", "0x9000"}), kExitOk) << err_.str();
  ASSERT_EQ(Run({"enable"}, {"--yes"}), kExitOk) << err_.str();
  ASSERT_EQ(
      Run({"record", "--variable", "134", "--period", "0.5", "--jump", "1000", "-o", File("a.rda")},
          {"--json"}),
      kExitOk)
      << err_.str();
  EXPECT_NE(out_.str().find("\"timeoutMs\":228"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("\"samples\":256"), std::string::npos);

  ASSERT_EQ(Run({"rda", "show", File("a.rda")}), kExitOk);
  EXPECT_NE(out_.str().find("SpeedDetValue: 256 samples, every 500 us, 0.000 to 127.500 ms"),
            std::string::npos)
      << out_.str();
  ASSERT_EQ(Run({"rda", "export", File("a.rda"), File("a.txt")}), kExitOk);
  std::ifstream text(File("a.txt"), std::ios::binary);
  const std::string exported{std::istreambuf_iterator<char>(text), {}};
  EXPECT_EQ(exported.rfind("Number of Samples = 256\t\nTime\tSpeedDetValue\t\n0.000000e+00\t", 0),
            0u);

  // A 32-bit address recording as CSV; the dialog's refusals as usage errors, nothing sent.
  ASSERT_EQ(Run({"record", "--address", "0x100", "--signed", "--period", "1", "-o", File("b.csv")}),
            kExitOk)
      << err_.str();
  EXPECT_NE(out_.str().find("Address 0x0100"), std::string::npos);
  const auto frames = sim_->Stats().framesAccepted;
  EXPECT_EQ(Run({"record", "--variable", "128", "--period", "1.25", "-o", File("c.rda")}),
            kExitUsage);
  EXPECT_NE(err_.str().find("The sampling period is not a correct number!"), std::string::npos);
  EXPECT_EQ(Run({"record", "--variable", "128", "--period", "6553.6", "-o", File("c.rda")}),
            kExitUsage);
  EXPECT_NE(err_.str().find("The value is too large!"), std::string::npos);
  EXPECT_EQ(Run({"record", "--address", "0x1G", "--period", "1", "-o", File("c.rda")}), kExitUsage);
  EXPECT_EQ(Run({"record", "--variable", "128", "--period", "1", "-o", File("c.bin")}), kExitUsage);
  EXPECT_EQ(sim_->Stats().framesAccepted, frames);

  // A damaged file: a clear message and exit 1.
  std::filesystem::resize_file(File("a.rda"), 30);
  EXPECT_EQ(Run({"rda", "show", File("a.rda")}, {"--json"}), kExitFailed);
  EXPECT_NE(out_.str().find("\"cause\":\"badFile\""), std::string::npos) << out_.str();
}

}  // namespace
}  // namespace zel::cli
