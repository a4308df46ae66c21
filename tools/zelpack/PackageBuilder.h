#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zel::zelpack {

// One element of a package to be written: a storage with children or a stream with bytes.
struct PackageNode {
  std::string name;
  bool isStorage = true;
  std::vector<std::uint8_t> data;
  std::vector<PackageNode> children;

  PackageNode& AddStorage(const std::string& storageName);
  PackageNode& AddStream(const std::string& streamName, const std::string& text);
};

// Writes firmware packages: compound files whose root holds one storage per firmware version.
class PackageBuilder {
 public:
  // Folders become storages, files become streams, children in name order so that the same
  // folder always gives the same file. Links and other special files are refused.
  static bool TreeFromFolder(const std::filesystem::path& folder, PackageNode& root,
                             std::string& error);
  // Writes root's children below the compound file's root. The file appears complete or not at
  // all (files::AtomicFileWriter); a failed build leaves the target as it was.
  static bool Write(const PackageNode& root, const std::filesystem::path& path, std::string& error);
};

}  // namespace zel::zelpack
