#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "link/CommandFrame.h"

namespace zel::link {
namespace {

// Writes a reply into the frame as the frame protocol would have received it.
void SetReply(CommandFrame& frame, const std::vector<uint8_t>& dataBytes, uint8_t code = 0) {
  FrameBuffer& reply = frame.Reply();
  reply.code = code;
  reply.length = static_cast<uint8_t>(dataBytes.size() / 2 - 1);
  std::memcpy(reply.data.data(), dataBytes.data(), dataBytes.size());
}

std::vector<uint8_t> Packed(const CommandFrame& frame) {
  const auto& data = frame.Command().data;
  return {data.begin(), data.begin() + frame.PackedBytes()};
}

TEST(CommandFramePacking, NothingPackedSendsOneZeroWord) {
  CommandFrame frame(1);
  frame.FinishPacking();
  EXPECT_EQ(frame.Command().length, 0);
  EXPECT_EQ(Packed(frame), (std::vector<uint8_t>{0, 0}));
}

TEST(CommandFramePacking, BytesAndWordsKeepPackingOrderAndRoundUpToWords) {
  CommandFrame four;
  for (uint8_t b : {0x5A, 0x45, 0x4C, 0x53}) four.Put8(b);
  four.FinishPacking();
  EXPECT_EQ(four.Command().length, 1);  // two data words
  EXPECT_EQ(Packed(four), (std::vector<uint8_t>{0x5A, 0x45, 0x4C, 0x53}));

  // An odd byte count still occupies a whole last word.
  CommandFrame three;
  for (uint8_t b : {1, 2, 3}) three.Put8(b);
  EXPECT_EQ(three.WordCountField(), 1);
  CommandFrame one;
  one.Put8(7);
  EXPECT_EQ(one.WordCountField(), 0);
}

TEST(CommandFramePacking, ThirtyTwoBitsGoLowByteAndLowWordFirst) {
  CommandFrame frame;
  frame.Put16(0xABCD);
  frame.Put32(0x12345678);
  frame.PutByWidth(0, 0xFFFF1234);  // width 0 keeps the low 16 bits only
  frame.PutByWidth(1, 0x0A0B0C0D);
  EXPECT_EQ(Packed(frame), (std::vector<uint8_t>{0xCD, 0xAB, 0x78, 0x56, 0x34, 0x12, 0x34, 0x12,
                                                 0x0D, 0x0C, 0x0B, 0x0A}));
}

TEST(CommandFramePacking, StopsAtTheLimitOfTheEightBitCountInsteadOfWrapping) {
  CommandFrame frame;
  for (int i = 0; i < 127; ++i) ASSERT_TRUE(frame.Put16(static_cast<uint16_t>(i)));
  ASSERT_TRUE(frame.Put8(0xEE));  // byte 255
  EXPECT_EQ(frame.PackedBytes(), 255);
  EXPECT_EQ(frame.WordCountField(), 127);
  EXPECT_FALSE(frame.PackingOverflowed());

  EXPECT_FALSE(frame.Put8(1));
  EXPECT_TRUE(frame.PackingOverflowed());
  EXPECT_EQ(frame.PackedBytes(), 255);

  // A 32-bit value that would straddle the limit is refused whole.
  CommandFrame nearly;
  for (int i = 0; i < 126; ++i) nearly.Put16(0);
  EXPECT_FALSE(nearly.Put32(0x11223344));
  EXPECT_EQ(nearly.PackedBytes(), 252);
  EXPECT_TRUE(nearly.PackingOverflowed());
}

TEST(CommandFrameUnpacking, EachTypeTakesItsBytesInTheZelsOrder) {
  CommandFrame frame;
  uint8_t byte = 0;
  uint16_t word = 0;
  int16_t signedWord = 0;
  int32_t position = 0;
  uint32_t value = 0;
  uint32_t remote = 0;
  float real = 0;
  frame.Bind(byte);
  frame.Skip(ResultType::kByte);
  frame.Bind(word);
  frame.Bind(signedWord);
  frame.Bind(position, ResultType::kLong);
  frame.Bind(value, ResultType::kUnsignedLong);
  frame.Bind(remote, ResultType::kRemoteLong);
  frame.Bind(real);
  const float expected = 1.5f;
  uint32_t bits = 0;
  std::memcpy(&bits, &expected, 4);
  SetReply(frame, {0x11, 0x99, 0x34, 0x12, 0xFE, 0xFF,
                   // 32-bit integers: high word first, each word low byte first
                   0xFF, 0xFF, 0x00, 0xFF, 0x34, 0x12, 0x78, 0x56, 0x01, 0x00, 0x02, 0x00,
                   // a float: its four bytes little-endian
                   static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                   static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)});
  frame.Unpack();
  EXPECT_EQ(byte, 0x11);
  EXPECT_EQ(word, 0x1234);
  EXPECT_EQ(signedWord, -2);
  EXPECT_EQ(position, -256);
  EXPECT_EQ(value, 0x12345678u);
  EXPECT_EQ(remote, 0x00010002u);
  EXPECT_EQ(real, 1.5f);
}

TEST(CommandFrameUnpacking, ParameterBlockAndByteString) {
  CommandFrame frame;
  parameters::SystemParameterBlock block;
  std::array<uint8_t, 3> text{};
  frame.Bind(block);
  frame.Bind(std::span<uint8_t>(text));
  std::vector<uint8_t> data;
  for (int i = 0; i < 42; ++i) {
    data.push_back(static_cast<uint8_t>(i));
    data.push_back(0x80);
  }
  for (uint8_t b : {'a', 'b', 'c', '\0'}) data.push_back(b);
  SetReply(frame, data);
  frame.Unpack();
  EXPECT_EQ(block.words[0], 0x8000);
  EXPECT_EQ(block.words[41], 0x8029);
  EXPECT_EQ(text, (std::array<uint8_t, 3>{'a', 'b', 'c'}));
}

TEST(CommandFrameUnpacking, ShortReplyFillsOnlyBindingsThatStartInsideIt) {
  CommandFrame frame;
  uint16_t a = 0xAAAA, b = 0xBBBB, c = 0xCCCC, d = 0xDDDD;
  uint32_t wide = 0xEEEEEEEE;
  frame.Bind(a);
  frame.Bind(b);
  frame.Bind(wide);
  frame.Bind(c);
  frame.Bind(d);
  SetReply(frame, {0x01, 0x00, 0x02, 0x00});  // L = 1: two words
  frame.Unpack();
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(wide, 0xEEEEEEEEu);
  EXPECT_EQ(c, 0xCCCC);
  EXPECT_EQ(d, 0xDDDD);
}

TEST(CommandFrameUnpacking, TypeAboveTenEndsUnpackingThere) {
  CommandFrame frame;
  uint16_t first = 0, after = 0x7777;
  frame.Bind(first);
  frame.AddBinding({11, std::monostate{}, 0});
  frame.Bind(after);
  SetReply(frame, {0x05, 0x00, 0x06, 0x00});
  frame.Unpack();
  EXPECT_EQ(first, 5);
  EXPECT_EQ(after, 0x7777);
}

TEST(CommandFrameUnpacking, MoreThanOneBlockKeepsReplyOrder) {
  CommandFrame frame;
  std::array<uint16_t, 40> words{};
  for (auto& w : words) frame.Bind(w);
  EXPECT_EQ(frame.Blocks().size(), 3u);
  EXPECT_EQ(frame.Blocks()[0].size(), 16u);
  std::vector<uint8_t> data;
  for (int i = 0; i < 40; ++i) {
    data.push_back(static_cast<uint8_t>(i + 1));
    data.push_back(0);
  }
  SetReply(frame, data);
  frame.Unpack();
  for (int i = 0; i < 40; ++i) EXPECT_EQ(words[i], i + 1) << i;
}

TEST(CommandFrameUnpacking, MismatchedDestinationIsSkippedNotOverrun) {
  CommandFrame frame;
  uint16_t narrow = 0x1111;
  uint16_t next = 0;
  // A 32-bit type aimed at a 16-bit variable must not write four bytes into it.
  frame.AddBinding({static_cast<uint8_t>(ResultType::kLong), &narrow, 4});
  frame.Bind(next);
  SetReply(frame, {1, 2, 3, 4, 5, 0});
  frame.Unpack();
  EXPECT_EQ(narrow, 0x1111);
  EXPECT_EQ(next, 5);
}

TEST(CommandFrameUnpacking, NeverReadsPastTheDataField) {
  CommandFrame frame;
  std::vector<uint8_t> skipped(500);
  parameters::SystemParameterBlock block;
  block.words.fill(0x4242);
  frame.Bind(std::span<uint8_t>(skipped));
  frame.Bind(block);  // would need bytes 500..583
  std::vector<uint8_t> data(512, 0x01);
  SetReply(frame, data);
  frame.Unpack();
  EXPECT_EQ(skipped[499], 0x01);
  EXPECT_EQ(block.words[0], 0x4242);
}

}  // namespace
}  // namespace zel::link
