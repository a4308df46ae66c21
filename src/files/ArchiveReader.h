#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace zel::files {

// Raised by ArchiveReader for a file that ends early or holds a length that cannot be right.
// It is the only exception of the tool: every file operation catches it at its boundary and
// treats the file as malformed.
class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the framework's binary serialisation used by the settings file, the .udf parameter files
// and the .rda recorded-data files: little-endian integers and floats without alignment, and
// length-prefixed 8-bit strings.
//
// String prefix: one byte when the length is below 255; else 0xFF and a 16-bit length; a 16-bit
// value of 0xFFFF is followed by a 32-bit length, and a 32-bit value of 0xFFFFFFFF by a 64-bit one.
// The 16-bit value 0xFFFE after the first 0xFF announces a string of 16-bit characters: its own
// prefix (counting characters) follows, then the UTF-16LE code units. Such a string is brought to
// 8-bit text: units up to 0xFF become that byte (Latin-1), every other character (a surrogate pair
// counts as one) becomes "?", as the 8-bit code page of the original files would have shown it.
//
// Every length is checked against the bytes that are left before anything is allocated, so a
// hostile length prefix costs nothing. Any shortfall throws ArchiveError and leaves the position
// where it was before the failing read.
class ArchiveReader {
 public:
  explicit ArchiveReader(std::vector<std::uint8_t> data);

  std::uint8_t ReadUInt8();
  std::int8_t ReadInt8();
  std::uint16_t ReadUInt16();
  std::int16_t ReadInt16();
  std::uint32_t ReadUInt32();
  std::int32_t ReadInt32();
  std::uint64_t ReadUInt64();
  std::int64_t ReadInt64();
  float ReadFloat();
  double ReadDouble();
  std::string ReadString();
  // count raw bytes, for values that carry their own byte count.
  std::vector<std::uint8_t> ReadBytes(std::size_t count);

  std::size_t Position() const { return position_; }
  std::size_t Remaining() const { return data_.size() - position_; }
  bool AtEnd() const { return position_ == data_.size(); }

  // Reads a whole file into bytes. False with a readable errorText when the file cannot be
  // opened or read, or is larger than maxBytes (a settings or data file never is, and a huge one
  // must not exhaust memory). bytes is left unchanged on failure.
  static bool ReadFile(const std::filesystem::path& path, std::size_t maxBytes,
                       std::vector<std::uint8_t>& bytes, std::string& errorText);

 private:
  // Throws unless count bytes are left.
  void Require(std::uint64_t count, const char* what) const;
  std::uint64_t ReadLittleEndian(std::size_t width);

  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
};

}  // namespace zel::files
