#include <gtest/gtest.h>

#include <cstdint>

#include "parameters/NumberText.h"

namespace zel::parameters {
namespace {

using E = NumberTextError;

TEST(NumberText, HexAcceptsLowerCasePrefixAndSkipsLeadingZeros) {
  std::uint16_t word = 0;
  EXPECT_EQ(NumberText::ParseHex16("0x0000ABCD", word), E::kNone);
  EXPECT_EQ(word, 0xABCD);
  EXPECT_EQ(NumberText::ParseHex16("beef", word), E::kNone);
  EXPECT_EQ(word, 0xBEEF);
  EXPECT_EQ(NumberText::ParseHex16("0x00000", word), E::kNone);
  EXPECT_EQ(word, 0);
  word = 7;
  EXPECT_EQ(NumberText::ParseHex16("", word), E::kNone);
  EXPECT_EQ(word, 0);

  std::uint32_t wide = 0;
  EXPECT_EQ(NumberText::ParseHex32("0x00000000DEADbeef", wide), E::kNone);
  EXPECT_EQ(wide, 0xDEADBEEFu);
  EXPECT_EQ(NumberText::ParseHex32("FFFFFFFF", wide), E::kNone);
  EXPECT_EQ(wide, 0xFFFFFFFFu);
}

TEST(NumberText, HexRejectsUpperCaseXBlanksAndTooManyDigits) {
  std::uint16_t word = 0x1234;
  EXPECT_EQ(NumberText::ParseHex16("0XABCD", word), E::kNotHexadecimal);
  EXPECT_EQ(NumberText::ParseHex16("0x 12", word), E::kNotHexadecimal);
  EXPECT_EQ(NumberText::ParseHex16("12 ", word), E::kNotHexadecimal);
  EXPECT_EQ(NumberText::ParseHex16("0x", word), E::kNotHexadecimal);
  EXPECT_EQ(NumberText::ParseHex16("0x12G", word), E::kNotHexadecimal);
  EXPECT_EQ(NumberText::ParseHex16("0x10000", word), E::kTooLarge);
  EXPECT_EQ(word, 0x1234) << "a failed conversion must not touch the value";

  std::uint32_t wide = 0;
  EXPECT_EQ(NumberText::ParseHex32("0x100000000", wide), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseHex32("-1", wide), E::kNotHexadecimal);
}

TEST(NumberText, SignedSixteenBitLimits) {
  std::int16_t value = 0;
  EXPECT_EQ(NumberText::ParseInt16("-32768", value), E::kNone);
  EXPECT_EQ(value, -32768);
  EXPECT_EQ(NumberText::ParseInt16("32767", value), E::kNone);
  EXPECT_EQ(value, 32767);
  EXPECT_EQ(NumberText::ParseInt16("-000012", value), E::kNone);
  EXPECT_EQ(value, -12);
  value = 5;
  EXPECT_EQ(NumberText::ParseInt16("-32769", value), E::kTooSmall);
  EXPECT_EQ(NumberText::ParseInt16("32768", value), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseInt16("-100000", value), E::kTooSmall);
  EXPECT_EQ(NumberText::ParseInt16("100000", value), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseInt16("+5", value), E::kNotDecimal);
  EXPECT_EQ(NumberText::ParseInt16("-", value), E::kNotDecimal);
  EXPECT_EQ(NumberText::ParseInt16("--5", value), E::kNotDecimal);
  EXPECT_EQ(NumberText::ParseInt16("1 2", value), E::kNotDecimal);
  EXPECT_EQ(NumberText::ParseInt16("0x10", value), E::kNotDecimal);
  EXPECT_EQ(value, 5);
}

TEST(NumberText, UnsignedSixteenBitLimits) {
  std::uint16_t value = 0;
  EXPECT_EQ(NumberText::ParseUInt16("000007", value), E::kNone);  // five leading zeros
  EXPECT_EQ(value, 7);
  EXPECT_EQ(NumberText::ParseUInt16("0065535", value), E::kNone);
  EXPECT_EQ(value, 65535);
  EXPECT_EQ(NumberText::ParseUInt16("000", value), E::kNone);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(NumberText::ParseUInt16("65536", value), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseUInt16("99999", value), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseUInt16("-1", value), E::kNotDecimal);
}

TEST(NumberText, ThirtyTwoBitLimitsAndElevenDigitTexts) {
  std::int32_t value = 0;
  EXPECT_EQ(NumberText::ParseInt32("-2147483648", value), E::kNone);
  EXPECT_EQ(value, INT32_MIN);
  EXPECT_EQ(NumberText::ParseInt32("0002147483647", value), E::kNone);
  EXPECT_EQ(value, INT32_MAX);
  EXPECT_EQ(NumberText::ParseInt32("-2147483649", value), E::kTooSmall);
  EXPECT_EQ(NumberText::ParseInt32("2147483648", value), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseInt32("99999999999", value), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseInt32("-99999999999", value), E::kTooSmall);
  // Far too many digits must not overflow on the way to the range check.
  EXPECT_EQ(NumberText::ParseInt32("99999999999999999999999", value), E::kTooLarge);

  std::uint32_t unsignedValue = 0;
  EXPECT_EQ(NumberText::ParseUInt32("4294967295", unsignedValue), E::kNone);
  EXPECT_EQ(unsignedValue, 4294967295u);
  EXPECT_EQ(NumberText::ParseUInt32("4294967296", unsignedValue), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseUInt32("10000000000", unsignedValue), E::kTooLarge);
  EXPECT_EQ(NumberText::ParseUInt32("-0", unsignedValue), E::kNotDecimal);
}

TEST(NumberText, MessagesAndFormats) {
  EXPECT_EQ(NumberText::Message(E::kNotHexadecimal), "Value is not a hexadecimal number!");
  EXPECT_EQ(NumberText::Message(E::kNotDecimal), "Value is not a decimal number!");
  EXPECT_EQ(NumberText::Message(E::kTooLarge), "Value is too large!");
  EXPECT_EQ(NumberText::Message(E::kTooSmall), "Value is too small!");
  EXPECT_EQ(NumberText::Message(E::kNone), "");

  EXPECT_EQ(NumberText::FormatHex16(0x0abc), "0x0ABC");
  EXPECT_EQ(NumberText::FormatHex32(0xdeadbeef), "0xDEADBEEF");
  EXPECT_EQ(NumberText::FormatHex32(0x1f), "0x0000001F");
  EXPECT_EQ(NumberText::FormatInt16(-32768), "-32768");
  EXPECT_EQ(NumberText::FormatUInt16(65535), "65535");
  EXPECT_EQ(NumberText::FormatInt32(INT32_MIN), "-2147483648");
  EXPECT_EQ(NumberText::FormatUInt32(4294967295u), "4294967295");
}

}  // namespace
}  // namespace zel::parameters
