// zelgui --simulate, started as a trainee starts it: the program runs a simulated ZEL of its own
// and finds it online, and its window says it is a simulation.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TestOutput.h"
#include "ui/FirmwareSamplePackage.h"

namespace zel::gui {
namespace {

// Runs zelgui offscreen until it ends (killed after two minutes); output is stdout and stderr.
test::ChildOutcome RunZelgui(const std::vector<std::string>& args,
                             const std::filesystem::path& outputFile) {
  // Qt's own caches at exit are not what this test looks at.
  return test::RunChild(ZEL_ZELGUI, args,
                        {"QT_QPA_PLATFORM=offscreen", "ASAN_OPTIONS=detect_leaks=0"}, outputFile,
                        std::chrono::minutes(2));
}

std::string LinkFrom(const std::string& output) {
  const std::string lead = "zelgui: simulating a ZEL at ";
  const std::size_t at = output.find(lead);
  if (at == std::string::npos) return {};
  const std::size_t end = output.find(" (", at);
  return output.substr(at + lead.size(), end - at - lead.size());
}

TEST(GuiSimulate, StartsItsOwnZelFindsItOnlineAndSaysItIsASimulation) {
  test::SamplePackage package;
  const std::filesystem::path settings = package.Dir() / "settings";
  std::filesystem::create_directories(settings);
  const std::string screenshot =
      (test::TestOutputDir("GuiSimulate") / "zelgui-simulation.png").string();

  // The device options keep zelsim's meaning, CAN modules included; the monitor finds the ZEL.
  const std::filesystem::path output = package.Dir() / "zelgui.out";
  test::ChildOutcome run = RunZelgui(
      {"--settings", settings.string(), "--package", package.Path(), "--no-wizards",
       "--start-monitor", "--report-start", "--quit-after", "8000", "--screenshot", screenshot,
       "--simulate", "--can-bitrate", "3", "--module", "5:3", "--app-number", "0x0001"},
      output);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("zelgui: window \"ZEL UserInterface Version 1.06 (simulation)\"\n"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("zelgui: online\n"), std::string::npos) << run.output;
  const std::string link = LinkFrom(run.output);
  ASSERT_FALSE(link.empty()) << run.output;
  std::error_code error;
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(link).parent_path(), error))
      << "the simulation's own folder goes with the program: " << link;
  EXPECT_TRUE(std::filesystem::exists(screenshot));

  // A device option zelsim refuses is refused here with zelsim's words, before any window.
  run = RunZelgui({"--settings", settings.string(), "--simulate", "--module", "0:9"}, output);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.output.find("zelgui: --module needs ID 1..127 and a bit-rate index 0..7: 0:9"),
            std::string::npos)
      << run.output;
  // And the device's options are listed on request.
  run = RunZelgui({"--simulate", "--help"}, output);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.output.find("--adapter-latency MS"), std::string::npos) << run.output;
}

// Help and version are asked for on a terminal without a display (over ssh, on a build
// machine): they are answered, not ended by Qt's missing platform.
TEST(GuiSimulate, HelpAndVersionNeedNoDisplay) {
  const std::filesystem::path output =
      test::TestOutputDir("GuiSimulate") / "zelgui-without-display.out";
  const std::vector<std::string> noDisplay{
      "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "ASAN_OPTIONS=detect_leaks=0"};
  test::ChildOutcome run =
      test::RunChild(ZEL_ZELGUI, {"--help"}, noDisplay, output, std::chrono::minutes(2));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Usage: "), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("--simulate"), std::string::npos) << run.output;
  run = test::RunChild(ZEL_ZELGUI, {"--port", "Com2", "--version"}, noDisplay, output,
                       std::chrono::minutes(2));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("ZEL_UserInterface "), std::string::npos) << run.output;
  run = test::RunChild(ZEL_ZELGUI, {"--simulate", "--help"}, noDisplay, output,
                       std::chrono::minutes(2));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("--adapter-latency MS"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace zel::gui
