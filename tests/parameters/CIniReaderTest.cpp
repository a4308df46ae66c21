#include "parameters/CIniReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zel::parameters {
namespace {

// Joins lines the way the package files are written: every line ended by CR LF.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

std::string Value(CIniReader& reader, const char* section, const char* key) {
  std::string value;
  if (!reader.FindSection(section) || !reader.ReadKey(key, value)) return "<missing>";
  return value;
}

TEST(CIniReaderTest, KeyLinesAreTakenLiterally) {
  CIniReader reader(Lines({"[Parameter17]", "Number=17", "Name = MaxSpeed", "Unit=", "Type=INT16",
                           "Type=UINT16", "Meaning=a=b==c", "Text= padded ", "=orphan", ""}));
  ASSERT_TRUE(reader.FindSection("Parameter17"));
  std::string value;
  EXPECT_TRUE(reader.ReadKey("Number", value));
  EXPECT_EQ(value, "17");
  // Blanks round "=" belong to key and value: "Name" is not defined, "Name " is.
  EXPECT_FALSE(reader.ReadKey("Name", value));
  EXPECT_TRUE(reader.ReadKey("Name ", value));
  EXPECT_EQ(value, " MaxSpeed");
  EXPECT_TRUE(reader.ReadKey("Unit", value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(reader.ReadKey("Type", value));
  EXPECT_EQ(value, "INT16") << "the first matching line wins";
  EXPECT_FALSE(reader.ReadKey("type", value)) << "keys are case-sensitive";
  EXPECT_TRUE(reader.ReadKey("Meaning", value));
  EXPECT_EQ(value, "abc") << "further '=' characters are removed, the text around them kept";
  EXPECT_TRUE(reader.ReadKey("Text", value));
  EXPECT_EQ(value, " padded ");
  EXPECT_FALSE(reader.ReadKey("[Parameter17]", value));
}

TEST(CIniReaderTest, SectionReachesToTheNextEmptyLineNotTheNextHeader) {
  CIniReader reader(
      Lines({"[A]", "Name=first", "[B]", "Name=second", "Unit=rpm", "", "[C]", "Visum=xy", ""}));
  // Without an empty line between A and B, a key missing from A comes from B.
  EXPECT_EQ(Value(reader, "A", "Name"), "first");
  EXPECT_EQ(Value(reader, "A", "Unit"), "rpm");
  EXPECT_EQ(Value(reader, "B", "Name"), "second");
  // The empty line after B ends it: C's keys are out of reach from A and B.
  EXPECT_EQ(Value(reader, "A", "Visum"), "<missing>");
  EXPECT_EQ(Value(reader, "B", "Visum"), "<missing>");
  EXPECT_EQ(Value(reader, "C", "Visum"), "xy");
}

TEST(CIniReaderTest, OnlyLinesEndedByCrLfAreRead) {
  {
    CIniReader reader(std::string("[A]\r\nNumber=1\r\nName=last"));
    EXPECT_EQ(Value(reader, "A", "Number"), "1");
    EXPECT_EQ(Value(reader, "A", "Name"), "<missing>") << "last line without CR LF";
  }
  {
    CIniReader reader(std::string("[A]\r\nNumber=1\r\n[B]"));
    EXPECT_FALSE(reader.FindSection("B")) << "a header on an unterminated last line";
  }
  {
    // A CR without LF ends the reading of the section, even though lines follow.
    CIniReader reader(std::string("[A]\r\nNumber=1\rName=x\r\nUnit=mA\r\n\r\n[B]\r\nKey=b\r\n"));
    EXPECT_EQ(Value(reader, "A", "Number"), "<missing>");
    EXPECT_EQ(Value(reader, "A", "Unit"), "<missing>");
    EXPECT_EQ(Value(reader, "B", "Key"), "b") << "later sections are still found";
  }
  {
    // Unix line ends: nothing is readable.
    CIniReader reader(std::string("[A]\nNumber=1\n\n"));
    EXPECT_FALSE(reader.FindSection("A"));
  }
}

TEST(CIniReaderTest, HeaderRules) {
  CIniReader reader(
      std::string("[Bro\rken]\r\nK=broken\r\n\r\n"
                  "[Open\r\nK=open\r\n\r\n"
                  "[Trail] comment ] here\r\nK=trail\r\n\r\n"
                  "Text=[Inner]\r\n\r\n"
                  " [Indented]\r\nK=indented\r\n\r\n"
                  "[]\r\nK=empty\r\n\r\n"));
  std::string name;
  EXPECT_FALSE(reader.FindSection("Bro*")) << "CR before ']' makes the header invalid";
  EXPECT_FALSE(reader.FindSection("Open*")) << "no ']' on the line";
  ASSERT_TRUE(reader.FindSection("Trail", name));
  EXPECT_EQ(name, "Trail") << "name ends at the first ']', the rest of the line is ignored";
  EXPECT_FALSE(reader.FindSection("Inner")) << "'[' inside a value does not start a header";
  EXPECT_FALSE(reader.FindSection("Indented")) << "a header must start its line";
  EXPECT_EQ(Value(reader, "", "K"), "empty");
}

TEST(CIniReaderTest, SectionPatternsWithStar) {
  CIniReader reader(
      Lines({"[Header]", "Name=StandardErrorMap", "", "[Error12]", "Name=E12", "", ""}));
  std::string name;
  EXPECT_TRUE(reader.FindSection("Error*", name));
  EXPECT_EQ(name, "Error12");
  EXPECT_TRUE(reader.FindSection("*", name));
  EXPECT_TRUE(reader.FindSection("Err*1*2", name));
  EXPECT_TRUE(reader.FindSection("*12", name));
  EXPECT_TRUE(reader.FindSection("Error12*", name)) << "'*' also matches nothing";
  EXPECT_FALSE(reader.FindSection("Error1", name)) << "without '*' the whole name must match";
  EXPECT_FALSE(reader.FindSection("error*", name)) << "names are case-sensitive";
  EXPECT_FALSE(reader.FindSection("*3*", name));

  EXPECT_TRUE(CIniReader::MatchPattern("a*b*c", "aXbYbc"));
  EXPECT_FALSE(CIniReader::MatchPattern("a*b*c", "aXbYbcd"));
  EXPECT_TRUE(CIniReader::MatchPattern("**", ""));
  EXPECT_FALSE(CIniReader::MatchPattern("", "a"));
  // A pathological pattern must stay cheap (no exponential back-tracking).
  EXPECT_FALSE(CIniReader::MatchPattern(std::string(40, '*') + "b", std::string(5000, 'a')));
}

TEST(CIniReaderTest, SectionSearchWrapsAroundFromTheCurrentSection) {
  CIniReader reader(Lines({"[Parameter3]", "Number=3", "", "[Parameter5]", "Number=5", "",
                           "[Parameter4]", "Number=4", ""}));
  std::string name;
  ASSERT_TRUE(reader.FindSection("Parameter5", name));
  EXPECT_EQ(reader.SectionName(), "Parameter5");
  EXPECT_EQ(Value(reader, "Parameter4", "Number"), "4");
  // From Parameter4 (last in the file) the search wraps to the start for Parameter3.
  EXPECT_EQ(Value(reader, "Parameter3", "Number"), "3");
  // The current section is found again, wherever the search stands.
  EXPECT_EQ(Value(reader, "Parameter3", "Number"), "3");
  // "First section matching" depends on the position: the scan starts at the current header.
  ASSERT_TRUE(reader.FindSection("Parameter*", name));
  EXPECT_EQ(name, "Parameter3");
  ASSERT_TRUE(reader.FindSection("Parameter4"));
  ASSERT_TRUE(reader.FindSection("Parameter*", name));
  EXPECT_EQ(name, "Parameter4");
  reader.Rewind();
  ASSERT_TRUE(reader.FindSection("Parameter*", name));
  EXPECT_EQ(name, "Parameter3");

  // A failed search keeps the current section.
  EXPECT_FALSE(reader.FindSection("Parameter6"));
  EXPECT_EQ(reader.SectionName(), "Parameter3");
  std::string value;
  EXPECT_TRUE(reader.ReadKey("Number", value));
  EXPECT_EQ(value, "3");
}

TEST(CIniReaderTest, NoSectionNoKey) {
  CIniReader reader(Lines({"Number=1", "[A]", "Number=2", ""}));
  std::string value;
  EXPECT_FALSE(reader.ReadKey("Number", value)) << "keys before a found section are not read";
  CIniReader empty(std::string_view{});
  EXPECT_FALSE(empty.FindSection("*"));
  EXPECT_FALSE(empty.ReadKey("", value));
}

TEST(CIniReaderTest, HostileBytesNeverCrash) {
  // Random texts drawn from the bytes that matter to the syntax; the sanitizer builds catch any
  // read out of bounds, and the loop itself proves there is no hang.
  const char alphabet[] = {'[', ']', '\r', '\n', '=', '*', 'A', '\0', ' '};
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> bytes(random() % 64);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(alphabet[random() % sizeof alphabet]);
    CIniReader reader{std::span<const std::uint8_t>(bytes)};
    std::string value;
    std::string name;
    for (const char* pattern : {"*", "A", "*A*", "", "]"}) {
      if (reader.FindSection(pattern, name)) {
        EXPECT_EQ(name.find_first_of("]\r"), std::string::npos);
        reader.ReadKey("A", value);
        reader.ReadKey("", value);
      }
    }
  }
}

}  // namespace
}  // namespace zel::parameters
