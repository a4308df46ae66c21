#include "recorder/UploadValueType.h"

#include <bit>

namespace zel::recorder {

int ElementSize(int valueType) {
  switch (valueType) {
    case 0:
    case 8:
      return 1;
    case 1:
    case 9:
    case 2:
      return 2;
    case 3:
    case 10:
    case 4:
    case 5:
      return 4;
    default:
      return 0;
  }
}

std::vector<float> ConvertElements(int valueType, std::span<const std::uint8_t> bytes) {
  const int size = ElementSize(valueType);
  std::vector<float> values;
  if (size == 0) return values;
  const std::size_t count = bytes.size() / static_cast<std::size_t>(size);
  values.reserve(count);
  for (std::size_t k = 0; k < count; ++k) {
    std::uint32_t raw = 0;
    for (int b = 0; b < size; ++b)
      raw |= static_cast<std::uint32_t>(
                 bytes[k * static_cast<std::size_t>(size) + static_cast<std::size_t>(b)])
             << (8 * b);
    float value = 0;
    switch (valueType) {
      case 2:
        value = static_cast<float>(static_cast<std::int16_t>(raw));
        break;
      case 4:
        value = static_cast<float>(static_cast<std::int32_t>(raw));
        break;
      case 5:
        value = std::bit_cast<float>(raw);
        break;
      default:
        value = static_cast<float>(raw);
        break;
    }
    values.push_back(value);
  }
  return values;
}

std::vector<std::uint8_t> WordBytes(std::span<const std::uint16_t> words) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(words.size() * 2);
  for (std::uint16_t word : words) {
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return bytes;
}

}  // namespace zel::recorder
