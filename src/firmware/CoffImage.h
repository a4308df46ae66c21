#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zel::firmware {

// One 40-byte section header of a TI COFF program file, as read (little-endian).
struct CoffSectionHeader {
  std::string name;          // up to eight characters, without the zero padding
  uint32_t loadAddress = 0;  // in 16-bit words
  uint32_t sizeWords = 0;
  uint32_t rawDataPosition = 0;
  uint8_t page = 0;  // 0: program memory
};

// The flat program-memory image the flash control program writes: an 8-byte header (start word
// 0x0000, word count 0x2000, the COFF time stamp) and the 16384 bytes of words 0x0000..0x1FFF,
// low byte first, with the CRC over the first 8191 words in the last word.
class FlashImage {
 public:
  static constexpr std::size_t kHeaderSize = 8;
  static constexpr std::size_t kDataSize = 16384;
  static constexpr std::size_t kSize = kHeaderSize + kDataSize;
  static constexpr uint32_t kWords = 0x2000;

  // Conversion results, the step 100 result codes.
  static constexpr int kConverted = 101;
  static constexpr int kProcessingError = 102;
  static constexpr int kNoInput = 103;
  static constexpr int kWrongVersion = 104;

  static constexpr uint16_t kConvertibleVersion = 0x00C1;

  // Reads the file header and the section headers, at most the header's count of them, and
  // returns the first whose name agrees with `name` in its first six characters. The version ID
  // is not looked at: the flash control program's file is read whatever tool made it.
  static bool FindSection(std::span<const uint8_t> coff, const std::string& name,
                          CoffSectionHeader& header);

  // Builds the image from the firmware program's COFF file: page-0 sections of non-zero size
  // in load-address order, gaps filled with 0xFF, the CRC over the first 8191 words written
  // last. Returns one of the result codes above; `image` is complete only with kConverted.
  // afterSection is called once per section copied (the elapsed-time events).
  static int Convert(std::span<const uint8_t> coff, std::vector<uint8_t>& image,
                     const std::function<void()>& afterSection = {});

  // The CRC of the image's words as the flash control program checks it: each little-endian
  // word most significant bit first, so each word's second byte enters first.
  static uint16_t DataCrc(std::span<const uint8_t> data, std::size_t words);
};

}  // namespace zel::firmware
