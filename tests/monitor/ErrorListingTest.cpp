#include <gtest/gtest.h>

#include "monitor/ErrorListing.h"
#include "monitor/StatusWordText.h"

namespace zel::monitor {
namespace {

TEST(ErrorListing, SummaryBitGatesTheWholeWord) {
  // 0x8000: an error flagged but no bit named; 0x0005: bits set but no summary flag.
  EXPECT_TRUE(ErrorListing::List(0x8000, ErrorWordKind::Standard).empty());
  EXPECT_EQ(ErrorListing::CountText(0), "OKAY: There is no error!");
  EXPECT_TRUE(ErrorListing::List(0x0005, ErrorWordKind::Standard).empty());
}

TEST(ErrorListing, UnknownBitsWithoutMapsAreNamedByNumber) {
  auto rows = ErrorListing::List(0x8005, ErrorWordKind::Standard);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "Error 0");
  EXPECT_EQ(rows[0].meaning, "Unknown Error");
  EXPECT_EQ(rows[1].name, "Error 2");
  EXPECT_EQ(rows[1].bit, 2);
  EXPECT_EQ(ErrorListing::CountText(rows.size()), "ATTENTION: There are 2 errors!");
  EXPECT_EQ(ErrorListing::CountText(1), "ATTENTION: There is 1 error!");

  auto can = ErrorListing::List(0xC000, ErrorWordKind::Can);
  ASSERT_EQ(can.size(), 1u);  // bit 14 is a row, bit 15 never is
  EXPECT_EQ(can[0].name, "CanError 14");
}

TEST(ErrorListing, LookupAsksTheMapOfTheWordKind) {
  std::vector<std::string> asked;
  ErrorLookup lookup = [&](const std::string& map, int bit) -> std::optional<ErrorRow> {
    asked.push_back(map);
    if (bit == 1) return ErrorRow{0, "OverCurrent", "Current too high"};
    return std::nullopt;
  };
  auto rows = ErrorListing::List(0x8003, ErrorWordKind::Can, lookup);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "CanError 0");
  EXPECT_EQ(rows[1].name, "OverCurrent");
  EXPECT_EQ(rows[1].bit, 1);
  EXPECT_EQ(asked, (std::vector<std::string>{"CanErrorMap", "CanErrorMap"}));
}

TEST(StatusWordText, PowerStageTextFollowsBitsFourteenAndFifteen) {
  EXPECT_EQ(StatusWordText::BitText(0xC000, 15), "Power stage is enabled");
  EXPECT_EQ(StatusWordText::BitText(0x8000, 15), "Power stage is enabled");
  EXPECT_EQ(StatusWordText::BitText(0x4000, 15), "Refreshing the power stage");
  EXPECT_EQ(StatusWordText::BitText(0x0000, 15), "Power stage is disabled");
  EXPECT_EQ(StatusWordText::BitText(0x4000, 14), "see Bit15");
}

TEST(StatusWordText, OtherBitsSelectSetOrClearText) {
  EXPECT_EQ(StatusWordText::BitText(0x0001, 0), "Encoder index found");
  EXPECT_EQ(StatusWordText::BitText(0x0000, 0), "Encoder index not found yet");
  EXPECT_EQ(StatusWordText::BitText(0x2000, 13), "Braking with max. current");
  EXPECT_EQ(StatusWordText::BitText(0x0000, 11), "Not debouncing the input 'Enable'");
  EXPECT_EQ(StatusWordText::BitText(0x0400, 10), "Enabled by software");
  EXPECT_EQ(StatusWordText::BitText(0xFFFF, 16), "");
}

}  // namespace
}  // namespace zel::monitor
