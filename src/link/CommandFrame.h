#pragma once

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "link/FrameBuffer.h"
#include "parameters/SystemParameterBlock.h"

namespace zel::link {

// How one result is taken out of a reply's data words. The codes are the numbers the ZEL's
// command set and the CAN gateway use for their results; they are kept as they are because the
// gateway hands its own answers through the same unpacking.
enum class ResultType : uint8_t {
  kByte = 0,            // 8-bit, one byte
  kWord = 1,            // 16-bit, low byte first
  kSignedWord = 2,      // 16-bit, low byte first
  kLong = 3,            // 32-bit integer, high word first, each word low byte first
  kUnsignedLong = 4,    // as kLong
  kFloat = 5,           // 32-bit float, four bytes little-endian (low word first)
  kParameterBlock = 6,  // 42 words into a SystemParameterBlock
  kByteString = 7,      // the entry's size in bytes, copied as they are
  kRemoteByte = 8,      // as kByte
  kRemoteWord = 9,      // as kWord
  kRemoteLong = 10,     // as kLong
};

// Where an unpacked result goes. The pointer's width must match the type's width; Bind checks it.
using ResultDestination =
    std::variant<std::monostate, uint8_t*, uint16_t*, int16_t*, uint32_t*, int32_t*, float*,
                 parameters::SystemParameterBlock*, std::span<uint8_t>>;

// One result of a command: its type code (codes above 10 end the unpacking), where it goes (or
// nowhere, to skip it) and its size in bytes (used by byte strings).
struct ResultBinding {
  uint8_t type = 0;
  ResultDestination destination;
  uint16_t size = 0;
};

// One exchange with the ZEL: the command frame with its argument packing, the reply frame and the
// bindings that unpack the reply into the caller's variables. Built on the stack of a command
// function and used for one exchange only; never shared between threads.
//
// The packing count lives here, with the frame it describes, rather than in the command group, so
// that two threads using the same group (the polling monitor and a dialog) never pack into each
// other's count.
class CommandFrame {
 public:
  // A command frame carries at most 255 packed bytes: the count is 8 bits wide.
  static constexpr int kMaxPackedBytes = 255;
  // Bindings are held in blocks of at most this many entries, in reply order.
  static constexpr int kBlockSize = 16;

  explicit CommandFrame(uint8_t opcode = 0);

  FrameBuffer& Command() { return command_; }
  const FrameBuffer& Command() const { return command_; }
  FrameBuffer& Reply() { return reply_; }
  const FrameBuffer& Reply() const { return reply_; }

  uint8_t Opcode() const { return command_.code; }
  void SetOpcode(uint8_t opcode) { command_.code = opcode; }

  // Milliseconds added to the reply's read time-out; 0 unless the command sets one.
  int32_t ReplyAllowance() const { return replyAllowanceMs_; }
  void SetReplyAllowance(int32_t ms) { replyAllowanceMs_ = ms; }

  // Packing: each appends at the write cursor and counts the bytes. They return false (and mark
  // the frame so that it is never sent) when the bytes would pass the 255-byte limit.
  void ResetPacking();
  bool Put8(uint8_t value);
  bool Put16(uint16_t value);                       // low byte first
  bool Put32(uint32_t value);                       // low byte first, so the low word travels first
  bool PutByWidth(uint16_t width, uint32_t value);  // width 0: Put16, otherwise Put32
  uint8_t PackedBytes() const { return packedBytes_; }
  bool PackingOverflowed() const { return overflowed_; }
  // L for the packed bytes: (count + 1) / 2 - 1, and 0 when nothing was packed.
  uint8_t WordCountField() const;
  // Completes the command frame: one zero word when nothing was packed, then L.
  void FinishPacking();

  // Bindings, in reply order. The typed forms record the type code that matches the destination;
  // the optional type picks among codes of the same width (for example kSignedWord for a word).
  void Bind(uint8_t& destination, ResultType type = ResultType::kByte);
  void Bind(uint16_t& destination, ResultType type = ResultType::kWord);
  void Bind(int16_t& destination, ResultType type = ResultType::kSignedWord);
  void Bind(uint32_t& destination, ResultType type = ResultType::kUnsignedLong);
  void Bind(int32_t& destination, ResultType type = ResultType::kLong);
  void Bind(float& destination);
  void Bind(parameters::SystemParameterBlock& destination);
  void Bind(std::span<uint8_t> destination);  // a byte string of the span's size
  // A result that is read past without being stored (size for byte strings only).
  void Skip(ResultType type, uint16_t size = 0);
  // Appends an entry as given. A destination whose width does not match the type is not
  // stored to (the bytes are skipped); a type code above 10 ends the unpacking there.
  void AddBinding(const ResultBinding& binding);
  // Starts a new binding block even when the current one has room.
  void StartBlock();

  const std::vector<std::vector<ResultBinding>>& Blocks() const { return blocks_; }

  // Walks the bindings over the reply data. Entries that start at or beyond the reply's
  // 2(L + 1) data bytes are left untouched. Never reads past the 512-byte data field.
  void Unpack();

  // Bytes a result of this type consumes; 0 for codes above 10.
  static int BytesOf(uint8_t type, uint16_t size);

 private:
  FrameBuffer command_;
  FrameBuffer reply_;
  int readCursor_ = 0;
  uint8_t packedBytes_ = 0;
  bool overflowed_ = false;
  int32_t replyAllowanceMs_ = 0;
  std::vector<std::vector<ResultBinding>> blocks_;
};

}  // namespace zel::link
