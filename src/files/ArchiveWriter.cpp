#include "files/ArchiveWriter.h"

#include <bit>

namespace zel::files {

void ArchiveWriter::WriteUInt8(std::uint8_t value) {
  data_.push_back(value);
}

void ArchiveWriter::WriteInt8(std::int8_t value) {
  WriteUInt8(static_cast<std::uint8_t>(value));
}

void ArchiveWriter::WriteUInt16(std::uint16_t value) {
  WriteLittleEndian(value, 2);
}

void ArchiveWriter::WriteInt16(std::int16_t value) {
  WriteUInt16(static_cast<std::uint16_t>(value));
}

void ArchiveWriter::WriteUInt32(std::uint32_t value) {
  WriteLittleEndian(value, 4);
}

void ArchiveWriter::WriteInt32(std::int32_t value) {
  WriteUInt32(static_cast<std::uint32_t>(value));
}

void ArchiveWriter::WriteUInt64(std::uint64_t value) {
  WriteLittleEndian(value, 8);
}

void ArchiveWriter::WriteInt64(std::int64_t value) {
  WriteUInt64(static_cast<std::uint64_t>(value));
}

void ArchiveWriter::WriteFloat(float value) {
  WriteUInt32(std::bit_cast<std::uint32_t>(value));
}

void ArchiveWriter::WriteDouble(double value) {
  WriteUInt64(std::bit_cast<std::uint64_t>(value));
}

void ArchiveWriter::WriteString(std::string_view text) {
  const std::uint64_t length = text.size();
  if (length < 0xFF) {
    WriteUInt8(static_cast<std::uint8_t>(length));
  } else if (length < 0xFFFE) {
    WriteUInt8(0xFF);
    WriteUInt16(static_cast<std::uint16_t>(length));
  } else if (length < 0xFFFFFFFF) {
    WriteUInt8(0xFF);
    WriteUInt16(0xFFFF);
    WriteUInt32(static_cast<std::uint32_t>(length));
  } else {
    WriteUInt8(0xFF);
    WriteUInt16(0xFFFF);
    WriteUInt32(0xFFFFFFFF);
    WriteUInt64(length);
  }
  data_.insert(data_.end(), text.begin(), text.end());
}

void ArchiveWriter::WriteBytes(std::span<const std::uint8_t> bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> ArchiveWriter::TakeData() {
  std::vector<std::uint8_t> data;
  data.swap(data_);
  return data;
}

void ArchiveWriter::WriteLittleEndian(std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    data_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

}  // namespace zel::files
