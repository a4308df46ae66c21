#include "RawCompoundFile.h"

#include <cstring>
#include <stdexcept>

namespace zel::test {

namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFatSectorMark = 0xFFFFFFFDu;
constexpr std::uint32_t kFree = 0xFFFFFFFFu;

void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

RawCompoundFile::RawCompoundFile() {
  entries.push_back({"Root Entry", RawEntry::kRoot});
}

RawCompoundFile RawCompoundFile::SiblingChain(std::size_t count) {
  RawCompoundFile file;
  for (std::size_t i = 1; i <= count; ++i) {
    RawEntry entry{"S" + std::to_string(i)};
    if (i < count) entry.right = static_cast<std::uint32_t>(i + 1);
    file.entries.push_back(entry);
  }
  if (count > 0) file.entries[0].child = 1;
  return file;
}

RawCompoundFile RawCompoundFile::Nested(std::size_t depth) {
  RawCompoundFile file = SiblingChain(depth);
  for (std::size_t i = 0; i <= depth; ++i) {
    file.entries[i].right = RawEntry::kNoLink;
    file.entries[i].child = i < depth ? static_cast<std::uint32_t>(i + 1) : RawEntry::kNoLink;
  }
  return file;
}

std::uint32_t RawCompoundFile::FatSectors() const {
  const std::size_t directorySectors = (entries.size() * 128 + kSector - 1) / kSector;
  std::size_t fat = 1;
  while (fat * (kSector / 4) < fat + directorySectors) ++fat;
  // The header lists at most 109 allocation-table sectors; more would need a chained list.
  if (fat > 109) throw std::length_error("too many entries for the header's sector list");
  return static_cast<std::uint32_t>(fat);
}

std::uint32_t RawCompoundFile::FirstDirectorySector() const {
  return FatSectors();
}

std::uint32_t RawCompoundFile::LastDirectorySector() const {
  return FatSectors() + static_cast<std::uint32_t>((entries.size() * 128 + kSector - 1) / kSector) -
         1;
}

std::vector<std::uint8_t> RawCompoundFile::Bytes() const {
  const std::uint32_t fat = FatSectors();
  const std::uint32_t first = FirstDirectorySector();
  const std::uint32_t last = LastDirectorySector();
  std::vector<std::uint8_t> bytes((static_cast<std::size_t>(last) + 2) * kSector, 0);

  std::uint8_t* h = bytes.data();
  const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(h, signature, sizeof signature);
  Put16(h + 0x18, 0x3E);
  Put16(h + 0x1A, 3);
  Put16(h + 0x1C, 0xFFFE);
  Put16(h + 0x1E, 9);
  Put16(h + 0x20, 6);
  Put32(h + 0x2C, fat);
  Put32(h + 0x30, first);
  Put32(h + 0x38, 4096);
  Put32(h + 0x3C, kEndOfChain);
  Put32(h + 0x44, kEndOfChain);
  for (std::uint32_t i = 0; i < 109; ++i) Put32(h + 0x4C + 4 * i, i < fat ? i : kFree);

  for (std::uint32_t sector = 0; sector < fat * (kSector / 4); ++sector) {
    std::uint32_t value = kFree;
    if (sector < fat)
      value = kFatSectorMark;
    else if (sector >= first && sector < last)
      value = sector + 1;
    else if (sector == last)
      value = kEndOfChain;
    SetFatEntry(bytes, sector, value);
  }

  for (std::size_t i = 0; i < entries.size(); ++i) {
    const RawEntry& entry = entries[i];
    std::uint8_t* e = bytes.data() + (first + 1) * kSector + i * 128;
    const std::size_t length = entry.name.size() < 31 ? entry.name.size() : 31;
    for (std::size_t c = 0; c < length; ++c)
      Put16(e + 2 * c, static_cast<std::uint8_t>(entry.name[c]));
    Put16(e + 0x40, static_cast<std::uint16_t>((length + 1) * 2));
    e[0x42] = entry.type;
    e[0x43] = 1;  // black
    Put32(e + 0x44, entry.left);
    Put32(e + 0x48, entry.right);
    Put32(e + 0x4C, entry.child);
    Put32(e + 0x74, entry.type == RawEntry::kRoot ? kEndOfChain : 0);
  }
  return bytes;
}

void RawCompoundFile::SetFatEntry(std::vector<std::uint8_t>& bytes, std::uint32_t sector,
                                  std::uint32_t value) {
  // The allocation table occupies the sectors from 0 on, so entry n lies at byte 4n after the
  // header.
  Put32(bytes.data() + kSector + 4 * static_cast<std::size_t>(sector), value);
}

}  // namespace zel::test
