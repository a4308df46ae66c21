#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zel::firmware {

// One element of a storage: a sub-storage (a folder) or a stream (a file).
struct CompoundElement {
  std::string name;
  bool isStorage = false;
};

// Read access to a compound file (structured storage): a tree of named storages and streams.
// This is the only place that knows the library behind it; the rest of the tool speaks in
// storage paths given as lists of names.
//
// Names are matched without regard to ASCII case, as structured storage itself does, with an
// exact match preferred when a storage holds two names differing only in case.
//
// A hostile file must never crash or hang the tool: its directory is checked before the library
// walks it (CompoundDirectoryCheck), every stream is read with a size cap, and a file that fails
// the check or that the library does not accept simply does not open. One object per thread.
class CompoundFile {
 public:
  // Streams larger than this are refused; the biggest member of a package is a program image of
  // a few hundred kilobytes.
  static constexpr std::size_t kDefaultStreamCap = 16u * 1024u * 1024u;

  CompoundFile();
  ~CompoundFile();
  CompoundFile(const CompoundFile&) = delete;
  CompoundFile& operator=(const CompoundFile&) = delete;

  // Opens a file for reading; a file already open is closed first. False when the file cannot
  // be read or is not a compound file.
  bool Open(const std::string& path);
  // The same for a file image held in memory (the bytes are copied).
  bool OpenMemory(std::span<const std::uint8_t> bytes);
  void Close();
  bool IsOpen() const;

  // The elements of the storage at path (empty path: the root) in the order the file holds
  // them. False when the storage does not exist or is not a storage.
  bool List(const std::vector<std::string>& storagePath,
            std::vector<CompoundElement>& elements) const;

  // Reads the whole stream name of the storage at path. False when it does not exist, is not a
  // stream, cannot be read completely or is larger than maxBytes; data is then empty.
  bool ReadStream(const std::vector<std::string>& storagePath, const std::string& name,
                  std::vector<std::uint8_t>& data, std::size_t maxBytes = kDefaultStreamCap) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zel::firmware
