#include "firmware/CoffImage.h"

#include <algorithm>

#include "common/Crc16.h"

namespace zel::firmware {

namespace {

constexpr std::size_t kFileHeaderSize = 22;
constexpr std::size_t kOptionalHeaderSize = 28;
constexpr std::size_t kSectionHeaderSize = 40;
// More than this many program sections is beyond any firmware this tool was made for; such a
// file is refused rather than half converted.
constexpr std::size_t kMaxProgramSections = 100;
constexpr uint32_t kMaxSectionBytes = 18000;

uint16_t Get16(std::span<const uint8_t> b, std::size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t Get32(std::span<const uint8_t> b, std::size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

CoffSectionHeader ParseSection(std::span<const uint8_t> b, std::size_t at) {
  CoffSectionHeader header;
  for (std::size_t i = 0; i < 8 && b[at + i] != 0; ++i) header.name += static_cast<char>(b[at + i]);
  header.loadAddress = Get32(b, at + 12);
  header.sizeWords = Get32(b, at + 16);
  header.rawDataPosition = Get32(b, at + 20);
  header.page = b[at + 39];
  return header;
}

// Where the section headers begin, or 0 when even the file header is cut short.
std::size_t SectionTable(std::span<const uint8_t> coff) {
  if (coff.size() < kFileHeaderSize) return 0;
  std::size_t at = kFileHeaderSize;
  // Whatever size the optional header claims, it is the 28 bytes of the TI format.
  if (Get16(coff, 16) != 0) at += kOptionalHeaderSize;
  return at;
}

// Names agree when their first six characters do; a shorter name ends the comparison.
bool SameName(const std::string& a, const std::string& b) {
  for (std::size_t i = 0; i < 6; ++i) {
    const char ca = i < a.size() ? a[i] : '\0';
    const char cb = i < b.size() ? b[i] : '\0';
    if (ca != cb) return false;
    if (ca == '\0') return true;
  }
  return true;
}

}  // namespace

bool FlashImage::FindSection(std::span<const uint8_t> coff, const std::string& name,
                             CoffSectionHeader& header) {
  std::size_t at = SectionTable(coff);
  if (at == 0) return false;
  const uint16_t count = Get16(coff, 2);
  for (uint16_t i = 0; i < count; ++i, at += kSectionHeaderSize) {
    if (coff.size() < at + kSectionHeaderSize) return false;
    CoffSectionHeader candidate = ParseSection(coff, at);
    if (SameName(candidate.name, name)) {
      header = std::move(candidate);
      return true;
    }
  }
  return false;
}

int FlashImage::Convert(std::span<const uint8_t> coff, std::vector<uint8_t>& image,
                        const std::function<void()>& afterSection) {
  if (coff.empty()) return kNoInput;
  if (coff.size() < kFileHeaderSize) return kProcessingError;
  if (Get16(coff, 0) != kConvertibleVersion) return kWrongVersion;
  std::size_t at = SectionTable(coff);
  if (coff.size() < at) return kProcessingError;

  std::vector<CoffSectionHeader> kept;
  const uint16_t count = Get16(coff, 2);
  for (uint16_t i = 0; i < count; ++i, at += kSectionHeaderSize) {
    if (coff.size() < at + kSectionHeaderSize) return kProcessingError;
    CoffSectionHeader section = ParseSection(coff, at);
    if (section.page != 0 || section.sizeWords == 0) continue;
    if (section.loadAddress >= kWords) return kProcessingError;
    if (section.sizeWords * 2ull > kMaxSectionBytes || kept.size() == kMaxProgramSections)
      return kProcessingError;
    kept.push_back(std::move(section));
  }
  std::stable_sort(kept.begin(), kept.end(),
                   [](const auto& a, const auto& b) { return a.loadAddress < b.loadAddress; });

  std::vector<uint8_t> data;
  data.reserve(kDataSize + kMaxSectionBytes);
  for (const CoffSectionHeader& section : kept) {
    const std::size_t start = section.loadAddress * 2u;
    if (data.size() < start) data.resize(start, 0xFF);
    // An overlapping section is appended where the previous one ended.
    const std::size_t bytes = section.sizeWords * 2u;
    if (section.rawDataPosition > coff.size() || coff.size() - section.rawDataPosition < bytes)
      return kProcessingError;
    const auto* from = coff.data() + section.rawDataPosition;
    data.insert(data.end(), from, from + bytes);
    // Code beyond word 0x1FFF has no flash to go to; cutting it off would flash a program that
    // lacks part of itself.
    if (data.size() > kDataSize) return kProcessingError;
    if (afterSection) afterSection();
  }
  data.resize(kDataSize, 0xFF);
  const uint16_t crc = DataCrc(data, kWords - 1);
  data[kDataSize - 2] = static_cast<uint8_t>(crc & 0xFF);
  data[kDataSize - 1] = static_cast<uint8_t>(crc >> 8);

  const uint32_t stamp = Get32(coff, 4);
  image.assign({0x00, 0x00, 0x00, 0x20, static_cast<uint8_t>(stamp),
                static_cast<uint8_t>(stamp >> 8), static_cast<uint8_t>(stamp >> 16),
                static_cast<uint8_t>(stamp >> 24)});
  image.insert(image.end(), data.begin(), data.end());
  return kConverted;
}

uint16_t FlashImage::DataCrc(std::span<const uint8_t> data, std::size_t words) {
  uint16_t crc = 0;
  for (std::size_t i = 0; i < words && 2 * i + 1 < data.size(); ++i) {
    crc = common::Crc16::Update(crc, data[2 * i + 1]);
    crc = common::Crc16::Update(crc, data[2 * i]);
  }
  return crc;
}

}  // namespace zel::firmware
