#include <gtest/gtest.h>

#include <vector>

#include "firmware/CoffImage.h"
#include "support/CoffWriter.h"

namespace zel::firmware {
namespace {

using test::CoffSection;
using test::CoffWriter;

// The image check from its definition: the words most significant bit first through a 16-bit
// register, then 16 zero bits (the augmented form), with no table and no byte order shortcut.
uint16_t AugmentedCrc(const std::vector<uint8_t>& data, std::size_t words) {
  uint32_t reg = 0;
  auto shiftIn = [&](int bit) {
    const bool top = (reg & 0x8000) != 0;
    reg = ((reg << 1) | static_cast<uint32_t>(bit)) & 0xFFFF;
    if (top) reg ^= 0x1021;
  };
  for (std::size_t i = 0; i < words; ++i) {
    const uint16_t word = static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    for (int b = 15; b >= 0; --b) shiftIn((word >> b) & 1);
  }
  for (int b = 0; b < 16; ++b) shiftIn(0);
  return static_cast<uint16_t>(reg);
}

std::vector<uint8_t> Data(const std::vector<uint8_t>& image) {
  return {image.begin() + FlashImage::kHeaderSize, image.end()};
}

void ExpectCrcLast(const std::vector<uint8_t>& image) {
  const std::vector<uint8_t> data = Data(image);
  const uint16_t crc = AugmentedCrc(data, FlashImage::kWords - 1);
  EXPECT_EQ(data[data.size() - 2], crc & 0xFF);
  EXPECT_EQ(data[data.size() - 1], crc >> 8);
}

TEST(FlashImageTest, PlacesProgramSectionsByAddressAndLeavesOutDataAndEmptyOnes) {
  CoffWriter coff;
  coff.SetTimeStamp(0x11223344);
  coff.SetOptionalHeader(true);
  // In file order the later section comes first; the image is ordered by address.
  coff.AddSection({".text", 0x0100, 0, CoffWriter::PatternWords(".text", 8)});
  coff.AddSection({".data", 0x0040, 1, CoffWriter::PatternWords(".data", 8)});
  coff.AddSection({".bss", 0x0050, 0, {}});
  coff.AddSection({".vectors", 0x0000, 0, CoffWriter::PatternWords(".vectors", 0x10)});
  std::vector<uint8_t> image;
  ASSERT_EQ(FlashImage::Convert(coff.Build(), image), FlashImage::kConverted);
  ASSERT_EQ(image.size(), FlashImage::kSize);
  EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + 8),
            (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x20, 0x44, 0x33, 0x22, 0x11}));

  const std::vector<uint8_t> data = Data(image);
  const auto vectors = CoffWriter::PatternWords(".vectors", 0x10);
  const auto text = CoffWriter::PatternWords(".text", 8);
  for (std::size_t i = 0; i < 0x10; ++i) {
    EXPECT_EQ(data[2 * i] | (data[2 * i + 1] << 8), vectors[i]) << i;
  }
  // 0x20 bytes of the first section, 0x1E0 fill bytes (the data page and the empty section
  // leave no trace), then the second section at word 0x100.
  for (std::size_t at = 0x20; at < 0x200; ++at) ASSERT_EQ(data[at], 0xFF) << at;
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(data[0x200 + 2 * i] | (data[0x201 + 2 * i] << 8), text[i]) << i;
  }
  for (std::size_t at = 0x210; at < data.size() - 2; ++at) ASSERT_EQ(data[at], 0xFF) << at;
  ExpectCrcLast(image);
}

TEST(FlashImageTest, AnImageWithoutProgramIsErasedFlashWithItsCheck) {
  CoffWriter coff;
  coff.AddSection({".econst", 0x0300, 1, CoffWriter::PatternWords(".econst", 4)});
  std::vector<uint8_t> image;
  ASSERT_EQ(FlashImage::Convert(coff.Build(), image), FlashImage::kConverted);
  ASSERT_EQ(image.size(), FlashImage::kSize);
  const std::vector<uint8_t> data = Data(image);
  for (std::size_t at = 0; at < data.size() - 2; ++at) ASSERT_EQ(data[at], 0xFF) << at;
  ExpectCrcLast(image);
}

TEST(FlashImageTest, RefusesWhatCannotBeFlashedButStillFindsSections) {
  std::vector<uint8_t> image;
  EXPECT_EQ(FlashImage::Convert({}, image), FlashImage::kNoInput);

  CoffWriter other;
  other.SetVersionId(0x00C2);
  other.AddSection({"FlshCtrl", 0xFE90, 0, CoffWriter::PatternWords("FlshCtrl", 6)});
  other.AddSection({"FlshChk", 0xFE00, 0, CoffWriter::PatternWords("FlshChk", 3)});
  const std::vector<uint8_t> bytes = other.Build();
  EXPECT_EQ(FlashImage::Convert(bytes, image), FlashImage::kWrongVersion);
  // The loader's files are read whatever their version; six characters decide.
  CoffSectionHeader found;
  ASSERT_TRUE(FlashImage::FindSection(bytes, "FlshCh", found));
  EXPECT_EQ(found.name, "FlshChk");
  EXPECT_EQ(found.sizeWords, 3u);
  ASSERT_TRUE(FlashImage::FindSection(bytes, "FlshCtrl", found));
  EXPECT_EQ(found.loadAddress, 0xFE90u);
  EXPECT_FALSE(FlashImage::FindSection(bytes, "fl_prg", found));

  CoffWriter beyond;
  beyond.AddSection({".text", 0x2000, 0, CoffWriter::PatternWords(".text", 4)});
  EXPECT_EQ(FlashImage::Convert(beyond.Build(), image), FlashImage::kProcessingError);

  CoffWriter good;
  good.AddSection({".text", 0x0040, 0, CoffWriter::PatternWords(".text", 64)});
  std::vector<uint8_t> cut = good.Build();
  cut.resize(cut.size() - 1);  // the raw data ends one byte early
  EXPECT_EQ(FlashImage::Convert(cut, image), FlashImage::kProcessingError);
  cut.resize(30);  // inside the section header
  EXPECT_EQ(FlashImage::Convert(cut, image), FlashImage::kProcessingError);
}

}  // namespace
}  // namespace zel::firmware
