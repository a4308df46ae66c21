#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "link/Crc16.h"
#include "link/FrameBuffer.h"
#include "link/SerialPort.h"
#include "link/WorkedExamples.h"
#include "support/ScriptedChannel.h"

namespace zel::link {
namespace {

TEST(Crc16Test, MatchesPublishedXmodemCheckValue) {
  constexpr std::string_view kText = "123456789";
  const std::vector<uint8_t> bytes(kText.begin(), kText.end());
  EXPECT_EQ(Crc16::Compute(bytes), 0x31C3);
  // Feeding byte by byte and continuing from a partial result give the same value.
  uint16_t crc = 0;
  for (uint8_t b : bytes) crc = Crc16::Update(crc, b);
  EXPECT_EQ(crc, 0x31C3);
  EXPECT_EQ(Crc16::Compute(std::span(bytes).subspan(4), Crc16::Compute(std::span(bytes).first(4))),
            0x31C3);
}

FrameBuffer Frame(uint8_t code, const std::vector<uint16_t>& words) {
  return test::ScriptedChannel::MakeFrame(code, words);
}

TEST(Crc16Test, FrameChecksumOfTheWorkedExamples) {
  for (const test::WorkedExample& c : test::WorkedExamples()) {
    SCOPED_TRACE(static_cast<int>(c.opcode));
    const FrameBuffer frame = Frame(c.opcode, c.words);
    EXPECT_EQ(SerialPort::FrameChecksum(frame, frame.length + 2), c.checksum);
  }
}

TEST(Crc16Test, FrameChecksumTakesEachWordHighByteFirst) {
  // 1000 = 0x03E8 travels as E8 03; summing it in wire order would give another value.
  const FrameBuffer frame = Frame(33, {1000});
  const std::vector<uint8_t> highFirst{33, 0, 0x03, 0xE8};
  const std::vector<uint8_t> wireOrder{33, 0, 0xE8, 0x03};
  EXPECT_EQ(SerialPort::FrameChecksum(frame, 2), Crc16::Compute(highFirst));
  EXPECT_NE(SerialPort::FrameChecksum(frame, 2), Crc16::Compute(wireOrder));
}

TEST(Crc16Test, FrameChecksumWordCountIsBoundedByTheBuffer) {
  FrameBuffer frame = Frame(0x11, std::vector<uint16_t>(256, 0xA55A));
  frame.length = 255;
  const uint16_t whole = SerialPort::FrameChecksum(frame, 257);
  // More words than the buffer holds cannot be summed; the count stops at the buffer's end.
  EXPECT_EQ(SerialPort::FrameChecksum(frame, 100000), whole);
  EXPECT_EQ(SerialPort::FrameChecksum(frame, 0), 0);
  EXPECT_EQ(SerialPort::FrameChecksum(frame, -5), 0);
  // Only the first L + 1 data words count: bytes beyond them do not change a short frame's sum.
  FrameBuffer shortFrame = Frame(5, {1});
  const uint16_t before = SerialPort::FrameChecksum(shortFrame, 2);
  shortFrame.data[2] = 0xFF;
  EXPECT_EQ(SerialPort::FrameChecksum(shortFrame, 2), before);
}

}  // namespace
}  // namespace zel::link
