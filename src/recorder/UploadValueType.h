#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zel::recorder {

// The value types of uploaded recorder data: how wide one element is and how it becomes a float.
// 0 and 8 unsigned 8-bit, 1 and 9 unsigned 16-bit, 2 signed 16-bit, 3 and 10 unsigned 32-bit,
// 4 signed 32-bit, 5 a 32-bit float taken bit for bit. Elements are little-endian.
namespace upload_type {
inline constexpr int kUnsigned16 = 1;
inline constexpr int kSigned16 = 2;
inline constexpr int kSigned32 = 4;
}  // namespace upload_type

// Bytes per element; 0 for a type the recorder does not know.
int ElementSize(int valueType);

// Every whole element of bytes as a float; nothing for an unknown type or fewer bytes than one
// element.
std::vector<float> ConvertElements(int valueType, std::span<const std::uint8_t> bytes);

// The words of an upload as the bytes they travelled as (low byte first).
std::vector<std::uint8_t> WordBytes(std::span<const std::uint16_t> words);

}  // namespace zel::recorder
