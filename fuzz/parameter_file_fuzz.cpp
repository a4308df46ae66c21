// Reads arbitrary bytes as a ".udf" parameter file. A file that parses must serialise and parse
// again to the same contents, and its text protocol must be producible; a refused file must
// leave the object untouched. Anything escaping, a crash or an unbounded allocation is a
// finding.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "parameters/CParameterFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  zel::parameters::CParameterFile file;
  file.comment = "untouched";
  const zel::parameters::CParameterFile before = file;
  if (file.Parse(bytes) != zel::parameters::CParameterFile::ReadResult::kOk) {
    if (!(file == before)) __builtin_trap();
    return 0;
  }
  zel::parameters::CParameterFile again;
  if (again.Parse(file.Serialize()) != zel::parameters::CParameterFile::ReadResult::kOk ||
      !(again == file))
    __builtin_trap();
  const std::string text = file.TextProtocol();
  if (text.empty()) __builtin_trap();
  file.PrintProtocol(60, "1. January 2026 00:00");
  return 0;
}
