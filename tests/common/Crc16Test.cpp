#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "common/Crc16.h"

namespace zel::common {
namespace {

TEST(Crc16Test, MatchesPublishedXmodemCheckValue) {
  constexpr std::string_view kText = "123456789";
  const std::vector<uint8_t> bytes(kText.begin(), kText.end());
  EXPECT_EQ(Crc16::Compute(bytes), 0x31C3);
  // Feeding byte by byte and continuing from a partial result give the same value.
  uint16_t crc = 0;
  for (uint8_t b : bytes) crc = Crc16::Update(crc, b);
  EXPECT_EQ(crc, 0x31C3);
  EXPECT_EQ(Crc16::Compute(std::span(bytes).subspan(4), Crc16::Compute(std::span(bytes).first(4))),
            0x31C3);
}

}  // namespace
}  // namespace zel::common
