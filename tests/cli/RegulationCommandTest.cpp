#include <gtest/gtest.h>

#include <chrono>

#include "cli/SimulatedZelCtlTest.h"

namespace zel::cli {
namespace {

using RegulationCommandTest = SimulatedZelCtlTest;

TEST_F(RegulationCommandTest, ShowsTheViewOfTheModeAndChangesItOnlyWhenConfirmed) {
  sim::DeviceModel& zel = sim_->Device();
  const uint16_t open[] = {1, 0, static_cast<uint16_t>((zel.TempParameter(1) & 0xFFD3) | 0x8400)};
  zel.Execute(21, open);
  const uint16_t maxSpeed[] = {17, 0, 12000};
  zel.Execute(21, maxSpeed);

  ASSERT_EQ(Run({"regulation"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Regulation mode:  speed"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("Max Speed:        12000  (0 rpm .. 25000 rpm, P1)"), std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find("Max.Cont.Current: "), std::string::npos);
  ASSERT_EQ(Run({"--json", "regulation"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("\"mode\":\"speed\""), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("\"P3 active\":false"), std::string::npos) << out_.str();

  // Without --yes the question is answered No and the ZEL stays in speed regulation.
  EXPECT_EQ(Run({"regulation", "mode", "current"}), 1);
  EXPECT_NE(err_.str().find("Do you really want to change to the current regulation mode!"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(zel.TempParameter(1) & 0x002C, 0);
  ASSERT_EQ(Run({"regulation", "mode", "current"}, {"--yes"}), 0) << err_.str();
  EXPECT_EQ(zel.TempParameter(1) & 0x002C, 0x0004);
  EXPECT_EQ(zel.StatusWord() & 0x4000, 0) << "the drive ends disabled";
  // The actual current comes from the axis currents, which no monitor delivers here.
  // Enabled by software, the set value by software too.
  const uint16_t softwareEnabling[] = {1, 0,
                                       static_cast<uint16_t>((zel.TempParameter(1) | 0x1000) & ~1)};
  zel.Execute(21, softwareEnabling);
  const uint16_t enable[] = {1};
  zel.Execute(5, enable);
  const uint16_t current[] = {1000};
  zel.Execute(34, current);
  zel.Advance(std::chrono::milliseconds(200));
  ASSERT_EQ(Run({"--json", "regulation"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("\"mode\":\"current\""), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("\"setValue\":1000,"), std::string::npos) << out_.str();
  EXPECT_EQ(out_.str().find("\"actualValue\":0,"), std::string::npos) << out_.str();

  // 'Digital2' decides: the message, and a failure.
  const uint16_t byInput[] = {1, 0, static_cast<uint16_t>(zel.TempParameter(1) & 0x7FFF)};
  zel.Execute(21, byInput);
  EXPECT_EQ(Run({"regulation", "mode", "speed"}, {"--yes"}), 1);
  EXPECT_NE(err_.str().find("Regulation mode is selected by 'Digital2' input!"), std::string::npos);
  EXPECT_EQ(Run({"regulation", "mode", "fast"}), 2);
}

}  // namespace
}  // namespace zel::cli
