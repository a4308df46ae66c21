// Arbitrary bytes as a firmware package: every reading operation must fail cleanly or deliver,
// never crash, hang or read out of bounds. package_reader_fuzz.options lets inputs grow to
// 256 KiB, past a directory of the largest size the reader accepts, so that over-long sibling
// chains and deep nesting are within the fuzzer's reach.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "firmware/FirmwarePackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel::firmware::FirmwarePackage package;
  if (!package.OpenImage(std::span<const uint8_t>(data, size), "fuzz.bin")) return 0;
  std::vector<std::string> versions;
  if (!package.ListVersions(versions)) return 0;
  for (const std::string& directory : versions) {
    zel::firmware::FirmwareInfo info;
    package.ReadInfo(directory, info);
    package.CheckComplete(directory, true);
    package.ShowSummary(directory);
    package.ShowReadMe(directory);
    package.ShowDefaults(directory, true);
    std::vector<uint8_t> image;
    package.ReadEntry(directory + "\\BinaryFiles", "ZelCode.out", image);
  }
  std::vector<std::string> found;
  package.FindStreams("", "Summary.txt", found);
  return 0;
}
