// Reads arbitrary bytes as a framework archive. The first byte is a recipe: each of its four
// 2-bit fields picks the next thing to read (string, 32-bit integer, 16-bit integer, double),
// repeated until the input is used up or ArchiveError reports a malformed file. Anything else
// escaping, a crash or an allocation beyond the input's size is a finding.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/ArchiveReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t recipe = data[0];
  zel::files::ArchiveReader reader(std::vector<std::uint8_t>(data + 1, data + size));
  try {
    for (int step = 0; !reader.AtEnd(); ++step) {
      const std::size_t before = reader.Position();
      switch ((recipe >> (2 * (step % 4))) & 3) {
        case 0: {
          const std::string text = reader.ReadString();
          if (text.size() > before + reader.Remaining() + size) __builtin_trap();
          break;
        }
        case 1:
          reader.ReadInt32();
          break;
        case 2:
          reader.ReadUInt16();
          break;
        default:
          reader.ReadDouble();
          break;
      }
      if (reader.Position() <= before) __builtin_trap();  // every read makes progress
    }
  } catch (const zel::files::ArchiveError&) {
    // A malformed file: exactly what the reader must report.
  }
  return 0;
}
