#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace zel::firmware {

// Reads count bytes at offset into out; false when the file is shorter.
using CompoundByteSource =
    std::function<bool(std::uint64_t offset, std::size_t count, std::uint8_t* out)>;

// Checks the skeleton of a compound file before the library is let near it: the header, the
// sector allocation table, the directory's sector chain and the tree that links the directory
// entries. The library walks that tree by recursion and trusts its links, so a directory nested
// tens of thousands deep, a long sibling chain, a cycle or an entry shared by two parents would
// overflow its stack or keep it busy for minutes. A firmware package is a small tree (a few
// storages per version, a handful of streams in each), so the bounds below are far above any
// real package and far below what hurts.
//
// The walk itself uses no recursion and reads each directory entry once, so it costs time in
// proportion to the directory's size, which is itself bounded. Stateless; any thread.
class CompoundDirectoryCheck {
 public:
  // Directory entries a package may hold, the root included. A version takes about fifteen.
  static constexpr std::size_t kMaxEntries = 1024;
  // Storages nested below the root; a package uses three levels.
  static constexpr std::size_t kMaxStorageDepth = 32;

  // True when the file of fileSize bytes that read delivers is shaped so that the library can
  // walk it safely. Stream contents and their chains are not examined; the library follows
  // those without recursion and notices loops itself.
  static bool IsSound(std::uint64_t fileSize, const CompoundByteSource& read);
};

}  // namespace zel::firmware
