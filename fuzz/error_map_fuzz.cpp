// Arbitrary bytes as an error map file, then the lookups the error lists make.
#include <cstddef>
#include <cstdint>
#include <span>

#include "monitor/CErrorMap.h"
#include "monitor/CErrorMapList.h"
#include "monitor/ErrorListing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel::monitor::CErrorMap map;
  if (!zel::monitor::CErrorMap::Parse(std::span<const uint8_t>(data, size), map)) return 0;
  for (uint32_t code = 0; code < 16; ++code) map.Lookup(code);
  zel::monitor::CErrorMapList list;
  list.SetMaps({map});
  zel::monitor::ErrorListing::List(0xFFFF, zel::monitor::ErrorWordKind::Standard, list.AsLookup());
  zel::monitor::ErrorListing::List(0xFFFF, zel::monitor::ErrorWordKind::Can, list.AsLookup());
  return 0;
}
