// Arbitrary bytes as a package's "Summary.txt".
#include <cstddef>
#include <cstdint>
#include <span>

#include "firmware/FirmwarePackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel::firmware::FirmwareInfo info;
  zel::firmware::FirmwarePackage::ParseSummary(std::span<const uint8_t>(data, size), info);
  return 0;
}
