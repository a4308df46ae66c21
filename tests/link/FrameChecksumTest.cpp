#include <gtest/gtest.h>

#include <vector>

#include "common/Crc16.h"
#include "link/FrameBuffer.h"
#include "link/SerialPort.h"
#include "link/WorkedExamples.h"
#include "support/ScriptedChannel.h"

namespace zel::link {
namespace {

using common::Crc16;

FrameBuffer Frame(uint8_t code, const std::vector<uint16_t>& words) {
  return test::ScriptedChannel::MakeFrame(code, words);
}

TEST(FrameChecksumTest, ChecksumOfTheWorkedExamples) {
  for (const test::WorkedExample& c : test::WorkedExamples()) {
    SCOPED_TRACE(static_cast<int>(c.opcode));
    const FrameBuffer frame = Frame(c.opcode, c.words);
    EXPECT_EQ(SerialPort::FrameChecksum(frame, frame.length + 2), c.checksum);
  }
}

TEST(FrameChecksumTest, ChecksumTakesEachWordHighByteFirst) {
  // 1000 = 0x03E8 travels as E8 03; summing it in wire order would give another value.
  const FrameBuffer frame = Frame(33, {1000});
  const std::vector<uint8_t> highFirst{33, 0, 0x03, 0xE8};
  const std::vector<uint8_t> wireOrder{33, 0, 0xE8, 0x03};
  EXPECT_EQ(SerialPort::FrameChecksum(frame, 2), Crc16::Compute(highFirst));
  EXPECT_NE(SerialPort::FrameChecksum(frame, 2), Crc16::Compute(wireOrder));
}

TEST(FrameChecksumTest, ChecksumWordCountIsBoundedByTheBuffer) {
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
