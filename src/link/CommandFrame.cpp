#include "link/CommandFrame.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace zel::link {

namespace {

constexpr uint8_t kLastTypeCode = 10;

uint16_t WordAt(const FrameBuffer& frame, int offset) {
  return static_cast<uint16_t>(frame.data[offset] | (frame.data[offset + 1] << 8));
}

// A reply carries a 32-bit integer high word first, each word low byte first.
uint32_t LongAt(const FrameBuffer& frame, int offset) {
  return (static_cast<uint32_t>(WordAt(frame, offset)) << 16) | WordAt(frame, offset + 2);
}

// A float travels as its four bytes in little-endian order.
float FloatAt(const FrameBuffer& frame, int offset) {
  uint32_t bits = static_cast<uint32_t>(WordAt(frame, offset)) |
                  (static_cast<uint32_t>(WordAt(frame, offset + 2)) << 16);
  return std::bit_cast<float>(bits);
}

int WidthOf(uint8_t type) {
  switch (type) {
    case 0:
    case 8:
      return 1;
    case 1:
    case 2:
    case 9:
      return 2;
    case 3:
    case 4:
    case 10:
      return 4;
    default:
      return 0;
  }
}

// Stores one result. A destination of the wrong kind for the type is not written: the entry's
// bytes are skipped as if it had none.
void Store(const FrameBuffer& reply, int offset, const ResultBinding& binding) {
  const uint8_t type = binding.type;
  std::visit(
      [&](auto destination) {
        using D = decltype(destination);
        if constexpr (std::is_same_v<D, uint8_t*>) {
          if (WidthOf(type) == 1) *destination = reply.data[offset];
        } else if constexpr (std::is_same_v<D, uint16_t*> || std::is_same_v<D, int16_t*>) {
          if (WidthOf(type) == 2) {
            *destination = static_cast<std::remove_pointer_t<D>>(WordAt(reply, offset));
          }
        } else if constexpr (std::is_same_v<D, uint32_t*> || std::is_same_v<D, int32_t*>) {
          if (WidthOf(type) == 4) {
            *destination = static_cast<std::remove_pointer_t<D>>(LongAt(reply, offset));
          }
        } else if constexpr (std::is_same_v<D, float*>) {
          if (type == static_cast<uint8_t>(ResultType::kFloat))
            *destination = FloatAt(reply, offset);
        } else if constexpr (std::is_same_v<D, parameters::SystemParameterBlock*>) {
          if (type == static_cast<uint8_t>(ResultType::kParameterBlock)) {
            for (int i = 0; i < parameters::SystemParameterBlock::kWordCount; ++i) {
              destination->words[i] = WordAt(reply, offset + 2 * i);
            }
          }
        } else if constexpr (std::is_same_v<D, std::span<uint8_t>>) {
          if (type == static_cast<uint8_t>(ResultType::kByteString)) {
            const size_t n = std::min<size_t>(destination.size(), binding.size);
            std::memcpy(destination.data(), reply.data.data() + offset, n);
          }
        }
      },
      binding.destination);
}

}  // namespace

CommandFrame::CommandFrame(uint8_t opcode) {
  command_.code = opcode;
}

void CommandFrame::ResetPacking() {
  packedBytes_ = 0;
  overflowed_ = false;
  command_.length = 0;
  command_.data.fill(0);
}

bool CommandFrame::Put8(uint8_t value) {
  if (overflowed_ || packedBytes_ >= kMaxPackedBytes) {
    overflowed_ = true;
    return false;
  }
  command_.data[packedBytes_] = value;
  ++packedBytes_;
  return true;
}

bool CommandFrame::Put16(uint16_t value) {
  if (overflowed_ || packedBytes_ + 2 > kMaxPackedBytes) {
    overflowed_ = true;
    return false;
  }
  return Put8(static_cast<uint8_t>(value)) && Put8(static_cast<uint8_t>(value >> 8));
}

bool CommandFrame::Put32(uint32_t value) {
  if (overflowed_ || packedBytes_ + 4 > kMaxPackedBytes) {
    overflowed_ = true;
    return false;
  }
  return Put16(static_cast<uint16_t>(value)) && Put16(static_cast<uint16_t>(value >> 16));
}

bool CommandFrame::PutByWidth(uint16_t width, uint32_t value) {
  return width == 0 ? Put16(static_cast<uint16_t>(value)) : Put32(value);
}

uint8_t CommandFrame::WordCountField() const {
  if (packedBytes_ == 0) return 0;
  return static_cast<uint8_t>((packedBytes_ + 1) / 2 - 1);
}

void CommandFrame::FinishPacking() {
  // Every command frame carries at least one data word; a command without arguments sends 0.
  if (packedBytes_ == 0) Put16(0);
  command_.length = WordCountField();
}

void CommandFrame::Bind(uint8_t& destination, ResultType type) {
  AddBinding({static_cast<uint8_t>(type), &destination, 1});
}

void CommandFrame::Bind(uint16_t& destination, ResultType type) {
  AddBinding({static_cast<uint8_t>(type), &destination, 2});
}

void CommandFrame::Bind(int16_t& destination, ResultType type) {
  AddBinding({static_cast<uint8_t>(type), &destination, 2});
}

void CommandFrame::Bind(uint32_t& destination, ResultType type) {
  AddBinding({static_cast<uint8_t>(type), &destination, 4});
}

void CommandFrame::Bind(int32_t& destination, ResultType type) {
  AddBinding({static_cast<uint8_t>(type), &destination, 4});
}

void CommandFrame::Bind(float& destination) {
  AddBinding({static_cast<uint8_t>(ResultType::kFloat), &destination, 4});
}

void CommandFrame::Bind(parameters::SystemParameterBlock& destination) {
  AddBinding({static_cast<uint8_t>(ResultType::kParameterBlock), &destination,
              2 * parameters::SystemParameterBlock::kWordCount});
}

void CommandFrame::Bind(std::span<uint8_t> destination) {
  const auto size = static_cast<uint16_t>(std::min<size_t>(destination.size(), 0xFFFF));
  AddBinding({static_cast<uint8_t>(ResultType::kByteString), destination, size});
}

void CommandFrame::Skip(ResultType type, uint16_t size) {
  AddBinding({static_cast<uint8_t>(type), std::monostate{}, size});
}

void CommandFrame::AddBinding(const ResultBinding& binding) {
  if (blocks_.empty() || blocks_.back().size() >= static_cast<size_t>(kBlockSize)) StartBlock();
  blocks_.back().push_back(binding);
}

void CommandFrame::StartBlock() {
  blocks_.emplace_back();
  blocks_.back().reserve(kBlockSize);
}

int CommandFrame::BytesOf(uint8_t type, uint16_t size) {
  switch (type) {
    case 5:
      return 4;
    case 6:
      return 2 * parameters::SystemParameterBlock::kWordCount;
    case 7:
      return size;
    default:
      return WidthOf(type);
  }
}

void CommandFrame::Unpack() {
  readCursor_ = 0;
  const int replyBytes = reply_.DataBytes();
  for (const auto& block : blocks_) {
    for (const auto& binding : block) {
      if (readCursor_ >= replyBytes) return;
      if (binding.type > kLastTypeCode) return;
      const int bytes = BytesOf(binding.type, binding.size);
      // An entry that starts inside the reply is read whole, but never past the data field.
      if (readCursor_ + bytes > FrameBuffer::kMaxDataBytes) return;
      Store(reply_, readCursor_, binding);
      readCursor_ += bytes;
    }
  }
}

}  // namespace zel::link
