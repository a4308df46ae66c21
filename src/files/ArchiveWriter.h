#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zel::files {

// Writes the framework's binary serialisation (see ArchiveReader) into memory. The caller hands
// the finished bytes to AtomicFileWriter, so a file is never left half written.
//
// Strings are written with the shortest prefix the framework uses: one byte below 255, 0xFF and
// a 16-bit length below 0xFFFE, else 0xFF, 0xFFFF and a 32-bit length (0xFFFFFFFF and a 64-bit
// length beyond that). Strings are always written as 8-bit text.
class ArchiveWriter {
 public:
  void WriteUInt8(std::uint8_t value);
  void WriteInt8(std::int8_t value);
  void WriteUInt16(std::uint16_t value);
  void WriteInt16(std::int16_t value);
  void WriteUInt32(std::uint32_t value);
  void WriteInt32(std::int32_t value);
  void WriteUInt64(std::uint64_t value);
  void WriteInt64(std::int64_t value);
  void WriteFloat(float value);
  void WriteDouble(double value);
  void WriteString(std::string_view text);
  void WriteBytes(std::span<const std::uint8_t> bytes);

  const std::vector<std::uint8_t>& Data() const { return data_; }
  std::vector<std::uint8_t> TakeData();

 private:
  void WriteLittleEndian(std::uint64_t value, std::size_t width);

  std::vector<std::uint8_t> data_;
};

}  // namespace zel::files
