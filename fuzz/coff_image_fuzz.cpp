// Arbitrary bytes as a program file of a firmware package: the section lookup the boot link
// does in every ".out" entry, and the conversion of "ZelCode.out" into the flash image.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "firmware/CoffImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> coff(data, size);
  zel::firmware::CoffSectionHeader header;
  for (const char* name : {"FlshCtrl", "fl_clr", "FlshChk", "TIBoot", ""})
    zel::firmware::FlashImage::FindSection(coff, name, header);
  std::vector<uint8_t> image;
  if (zel::firmware::FlashImage::Convert(coff, image) == zel::firmware::FlashImage::kConverted &&
      image.size() != zel::firmware::FlashImage::kSize)
    __builtin_trap();
  return 0;
}
