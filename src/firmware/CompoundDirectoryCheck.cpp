#include "firmware/CompoundDirectoryCheck.h"

#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

namespace zel::firmware {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFFu;
constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;
constexpr std::size_t kHeaderSize = 512;
// The header's own list of allocation-table sectors; longer lists continue in chained sectors.
constexpr std::size_t kHeaderFatSlots = 109;
constexpr std::size_t kEntrySize = 128;

constexpr std::uint8_t kStorage = 1;
constexpr std::uint8_t kStream = 2;
constexpr std::uint8_t kRoot = 5;

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

class Walker {
 public:
  Walker(std::uint64_t fileSize, const CompoundByteSource& read)
      : fileSize_(fileSize), read_(read) {}

  bool Run() { return ReadHeader() && CollectFatSectors() && FollowDirectoryChain() && WalkTree(); }

 private:
  std::uint64_t SectorOffset(std::uint32_t sector) const {
    return (static_cast<std::uint64_t>(sector) + 1) << shift_;
  }

  bool ReadSector(std::uint32_t sector, std::vector<std::uint8_t>& out) const {
    if (sector >= sectorCount_) return false;
    out.resize(sectorSize_);
    return read_(SectorOffset(sector), sectorSize_, out.data());
  }

  bool ReadHeader() {
    if (fileSize_ < kHeaderSize) return false;
    header_.resize(kHeaderSize);
    if (!read_(0, kHeaderSize, header_.data())) return false;
    if (std::memcmp(header_.data(), kSignature, sizeof kSignature) != 0) return false;
    shift_ = static_cast<unsigned>(header_[0x1E]) | static_cast<unsigned>(header_[0x1F]) << 8;
    // Only the two sector sizes the format knows; the header fills the first sector.
    if (shift_ != 9 && shift_ != 12) return false;
    sectorSize_ = std::size_t{1} << shift_;
    const std::uint64_t sectors = fileSize_ / sectorSize_;
    if (sectors < 2) return false;
    // Sector numbers are 32 bits wide, the top few reserved as markers.
    sectorCount_ = sectors - 1 > 0xFFFFFFF0u ? 0xFFFFFFF0u : sectors - 1;
    perSector_ = sectorSize_ / 4;
    fatSectorCount_ = Le32(header_.data() + 0x2C);
    return fatSectorCount_ >= 1 && fatSectorCount_ <= sectorCount_;
  }

  // The allocation table's own sectors: the header names the first 109, a chain of further
  // sectors the rest, each ending in the number of the next.
  bool CollectFatSectors() {
    fatSectors_.clear();
    for (std::size_t i = 0; i < kHeaderFatSlots && fatSectors_.size() < fatSectorCount_; ++i)
      fatSectors_.push_back(Le32(header_.data() + 0x4C + 4 * i));
    const std::size_t inChain = fatSectorCount_ - fatSectors_.size();
    const std::size_t slotsPerSector = perSector_ - 1;
    const std::size_t chainSectors = (inChain + slotsPerSector - 1) / slotsPerSector;
    if (Le32(header_.data() + 0x48) != chainSectors) return false;
    std::uint32_t next = Le32(header_.data() + 0x44);
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint8_t> sector;
    for (std::size_t n = 0; n < chainSectors; ++n) {
      if (!seen.insert(next).second || !ReadSector(next, sector)) return false;
      for (std::size_t i = 0; i < slotsPerSector && fatSectors_.size() < fatSectorCount_; ++i)
        fatSectors_.push_back(Le32(sector.data() + 4 * i));
      next = Le32(sector.data() + 4 * slotsPerSector);
    }
    for (std::uint32_t fatSector : fatSectors_)
      if (fatSector >= sectorCount_) return false;
    return true;
  }

  // The allocation-table entry of sector, read where it lies.
  bool NextSector(std::uint32_t sector, std::uint32_t& next) const {
    const std::size_t index = sector / perSector_;
    if (index >= fatSectors_.size()) return false;
    std::uint8_t entry[4];
    if (!read_(SectorOffset(fatSectors_[index]) + 4 * (sector % perSector_), 4, entry))
      return false;
    next = Le32(entry);
    return true;
  }

  // The directory's sectors in order: each within the file, none twice, ending in the end
  // marker, and no more than the entry bound needs.
  bool FollowDirectoryChain() {
    const std::size_t entriesPerSector = sectorSize_ / kEntrySize;
    const std::size_t maxSectors =
        (CompoundDirectoryCheck::kMaxEntries + entriesPerSector - 1) / entriesPerSector;
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint8_t> sector;
    std::uint32_t current = Le32(header_.data() + 0x30);
    while (current != kEndOfChain) {
      if (directory_.size() / sectorSize_ >= maxSectors) return false;
      if (!seen.insert(current).second || !ReadSector(current, sector)) return false;
      directory_.insert(directory_.end(), sector.begin(), sector.end());
      if (!NextSector(current, current)) return false;
      if (current == kFreeSector) return false;
    }
    return !directory_.empty();
  }

  // Every entry reached through the links once at most, each of a known kind, streams without
  // children, storages nested no deeper than the bound. The walk keeps its own stack.
  bool WalkTree() {
    const std::size_t slots = directory_.size() / kEntrySize;
    const std::uint8_t* root = directory_.data();
    if (root[0x42] != kRoot) return false;
    // The root never has siblings; the library would lose track of any it were given.
    if (Le32(root + 0x44) != kNoStream || Le32(root + 0x48) != kNoStream) return false;
    std::vector<bool> reached(slots, false);
    reached[0] = true;
    std::vector<std::pair<std::uint32_t, std::size_t>> pending;  // entry, its storage depth
    pending.emplace_back(Le32(root + 0x4C), 1);
    while (!pending.empty()) {
      const auto [index, depth] = pending.back();
      pending.pop_back();
      if (index == kNoStream) continue;
      if (index >= slots || reached[index]) return false;
      reached[index] = true;
      const std::uint8_t* entry = directory_.data() + std::size_t{index} * kEntrySize;
      const std::uint8_t type = entry[0x42];
      const std::uint32_t child = Le32(entry + 0x4C);
      if (type == kStream) {
        if (child != kNoStream) return false;
      } else if (type == kStorage) {
        if (child != kNoStream && depth >= CompoundDirectoryCheck::kMaxStorageDepth) return false;
        pending.emplace_back(child, depth + 1);
      } else {
        return false;
      }
      pending.emplace_back(Le32(entry + 0x44), depth);
      pending.emplace_back(Le32(entry + 0x48), depth);
    }
    return true;
  }

  const std::uint64_t fileSize_;
  const CompoundByteSource& read_;
  std::vector<std::uint8_t> header_;
  unsigned shift_ = 0;
  std::size_t sectorSize_ = 0;
  std::uint64_t sectorCount_ = 0;
  std::size_t perSector_ = 0;
  std::size_t fatSectorCount_ = 0;
  std::vector<std::uint32_t> fatSectors_;
  std::vector<std::uint8_t> directory_;
};

}  // namespace

bool CompoundDirectoryCheck::IsSound(std::uint64_t fileSize, const CompoundByteSource& read) {
  return Walker(fileSize, read).Run();
}

}  // namespace zel::firmware
