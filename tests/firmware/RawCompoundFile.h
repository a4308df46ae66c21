#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::test {

// One directory entry with the links a test chooses, sound or not.
struct RawEntry {
  static constexpr std::uint32_t kNoLink = 0xFFFFFFFFu;
  static constexpr std::uint8_t kStorage = 1;
  static constexpr std::uint8_t kStream = 2;
  static constexpr std::uint8_t kRoot = 5;

  std::string name;
  std::uint8_t type = kStorage;
  std::uint32_t left = kNoLink;
  std::uint32_t right = kNoLink;
  std::uint32_t child = kNoLink;
};

// Lays out a compound file (512-byte sectors) byte by byte from directory entries whose links
// the test sets itself, so that shapes no sound writer produces can be made in the test: the
// allocation table first, then the directory. Streams hold no data.
class RawCompoundFile {
 public:
  RawCompoundFile();  // with the root as entry 0

  std::vector<RawEntry> entries;

  // Storages 1..count, all children of the root, linked one after the other.
  static RawCompoundFile SiblingChain(std::size_t count);
  // Storages 1..depth, each the only child of the one before.
  static RawCompoundFile Nested(std::size_t depth);

  std::vector<std::uint8_t> Bytes() const;

  // Where the layout puts things, for damaging the bytes afterwards.
  std::uint32_t FirstDirectorySector() const;
  std::uint32_t LastDirectorySector() const;
  static void SetFatEntry(std::vector<std::uint8_t>& bytes, std::uint32_t sector,
                          std::uint32_t value);

 private:
  std::uint32_t FatSectors() const;
};

}  // namespace zel::test
