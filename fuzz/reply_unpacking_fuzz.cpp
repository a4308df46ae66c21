// Unpacks arbitrary reply frames through arbitrary bindings. The first input byte n (mod 40)
// gives the number of bindings; each takes two bytes (type code, byte-string size). The rest is
// the reply frame: reply code, L, then the data field. Every destination lives in its own
// exactly sized buffer, so a read or write past either the frame or a destination is caught.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "link/CommandFrame.h"

using zel::link::CommandFrame;
using zel::link::ResultBinding;
using zel::link::ResultType;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::size_t pos = 0;
  const int count = data[pos++] % 40;

  CommandFrame frame;
  std::vector<std::unique_ptr<std::uint8_t[]>> strings;
  std::vector<std::uint16_t> words(count);
  std::vector<std::uint32_t> longs(count);
  std::vector<float> floats(count);
  std::vector<zel::parameters::SystemParameterBlock> blocks(count);
  for (int i = 0; i < count && pos + 2 <= size; ++i) {
    const std::uint8_t type = data[pos++];
    const std::uint16_t stringSize = data[pos++];
    switch (type % 13) {
      case 0:
      case 8:
        frame.Skip(static_cast<ResultType>(type % 13));
        break;
      case 1:
      case 2:
      case 9:
        frame.Bind(words[i], static_cast<ResultType>(type % 13));
        break;
      case 3:
      case 4:
      case 10:
        frame.Bind(longs[i], static_cast<ResultType>(type % 13));
        break;
      case 5:
        frame.Bind(floats[i]);
        break;
      case 6:
        frame.Bind(blocks[i]);
        break;
      case 7:
        strings.push_back(std::make_unique<std::uint8_t[]>(stringSize + 1));
        frame.Bind(std::span<std::uint8_t>(strings.back().get(), stringSize));
        break;
      default:
        // Mismatched destinations and codes above 10 must be handled as well.
        frame.AddBinding(ResultBinding{
            (type & 1) != 0 ? type : static_cast<std::uint8_t>(type % 11), &words[i], stringSize});
        break;
    }
  }

  zel::link::FrameBuffer& reply = frame.Reply();
  if (pos < size) reply.code = data[pos++];
  if (pos < size) reply.length = data[pos++];
  const std::size_t rest = std::min(size - pos, reply.data.size());
  std::memcpy(reply.data.data(), data + pos, rest);
  frame.Unpack();
  return 0;
}
