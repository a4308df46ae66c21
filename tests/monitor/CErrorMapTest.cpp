#include "monitor/CErrorMap.h"

#include <gtest/gtest.h>

#include "monitor/CErrorMapList.h"
#include "monitor/ErrorListing.h"

namespace zel::monitor {
namespace {

std::vector<std::uint8_t> Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return {text.begin(), text.end()};
}

std::vector<std::string> Header(const std::string& name, const std::string& type) {
  return {"[Header]", "Name=" + name, "Meaning=m", "NbOfBits=16", "Type=" + type, ""};
}

std::vector<std::string> Entry(int section, const std::string& name, const std::string& idKey,
                               const std::string& id) {
  return {"[Error" + std::to_string(section) + "]",
          "Name=" + name,
          idKey + "=" + id,
          "Meaning=" + name + " meaning",
          "CausedBy=c",
          "Effect=e",
          "Remark=r",
          "CrossReference=x",
          "Date=01.02.2023 10.30",
          "Visum=v",
          ""};
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(CErrorMapTest, BitMapsMatchTheBitWithinTheByteAndNumberMapsTheWholeNumber) {
  CErrorMap bits;
  ASSERT_TRUE(CErrorMap::Parse(
      Lines(Join({Header("StandardErrorMap", "0"), Entry(5, "High", "ErrorBit", "258"),
                  Entry(6, "Two", "ErrorBit", "2"), Entry(7, "Zero", "ErrorBit", "0")})),
      bits));
  EXPECT_EQ(bits.Name(), "StandardErrorMap");
  EXPECT_EQ(bits.NumberOfBits(), 16);
  ASSERT_EQ(bits.Entries().size(), 3u);
  auto found = bits.Lookup(2);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->name, "High");  // 258 modulo 256, and first in file order
  EXPECT_EQ(found->causedBy, "c");
  EXPECT_EQ(found->type, 0);
  EXPECT_FALSE(bits.Lookup(258));
  EXPECT_FALSE(bits.Lookup(3));

  CErrorMap numbers;
  ASSERT_TRUE(CErrorMap::Parse(
      Lines(Join({Header("Codes", "1"), Entry(0, "Big", "ErrorNumber", "4294967295"),
                  Entry(1, "Small", "ErrorNumber", "258")})),
      numbers));
  EXPECT_EQ(numbers.Lookup(4294967295u)->name, "Big");
  EXPECT_EQ(numbers.Lookup(258)->name, "Small");
  EXPECT_FALSE(numbers.Lookup(2));
}

TEST(CErrorMapTest, IncompleteFilesAreNoMapsAndIncompleteEntriesEndTheList) {
  CErrorMap map;
  const auto entry = Entry(0, "A", "ErrorBit", "0");
  EXPECT_FALSE(CErrorMap::Parse(
      Lines(Join({{"[Header]", "Name=n", "Meaning=m", "NbOfBits=16", ""}, entry})), map));
  EXPECT_FALSE(CErrorMap::Parse(Lines(Join({Header("n", "0"), {"[Errors]", "Name=x", ""}})), map));
  EXPECT_FALSE(CErrorMap::Parse(Lines(Join({Header("n", "0")})), map));
  EXPECT_FALSE(CErrorMap::Parse(
      Lines(Join({{"[Header]", "Name=n", "Meaning=m", "NbOfBits=65536", "Type=0", ""}, entry})),
      map));

  // A number map needs "ErrorNumber"; an entry with only "ErrorBit" ends its list.
  ASSERT_TRUE(CErrorMap::Parse(
      Lines(Join({Header("n", "1"), Entry(0, "A", "ErrorNumber", "1"),
                  Entry(1, "B", "ErrorBit", "1"), Entry(2, "C", "ErrorNumber", "3")})),
      map));
  EXPECT_EQ(map.Entries().size(), 1u);

  auto badDate = Entry(1, "B", "ErrorBit", "1");
  badDate[8] = "Date=1.2.2023";
  ASSERT_TRUE(CErrorMap::Parse(Lines(Join({Header("n", "0"), entry, badDate})), map));
  EXPECT_EQ(map.Entries().size(), 1u);
}

TEST(CErrorMapTest, ListingUsesTheMapsByExactNameAndFallsBackToUnknown) {
  CErrorMap standard, can, lowerCase;
  ASSERT_TRUE(CErrorMap::Parse(
      Lines(Join({Header("StandardErrorMap", "0"), Entry(0, "Overcurrent", "ErrorBit", "0")})),
      standard));
  ASSERT_TRUE(CErrorMap::Parse(
      Lines(Join({Header("CanErrorMap", "0"), Entry(0, "BusOff", "ErrorBit", "2")})), can));
  ASSERT_TRUE(CErrorMap::Parse(
      Lines(Join({Header("standarderrormap", "0"), Entry(0, "Wrong", "ErrorBit", "2")})),
      lowerCase));
  CErrorMapList list;
  list.SetMaps({lowerCase, standard, can});

  const auto rows = ErrorListing::List(0x8005, ErrorWordKind::Standard, list.AsLookup());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "Overcurrent");
  EXPECT_EQ(rows[0].meaning, "Overcurrent meaning");
  EXPECT_EQ(rows[1].name, "Error 2");  // only the exactly named map is asked
  EXPECT_EQ(rows[1].meaning, "Unknown Error");
  const auto canRows = ErrorListing::List(0x8004, ErrorWordKind::Can, list.AsLookup());
  ASSERT_EQ(canRows.size(), 1u);
  EXPECT_EQ(canRows[0].name, "BusOff");
  EXPECT_TRUE(ErrorListing::List(0x0005, ErrorWordKind::Standard, list.AsLookup()).empty());

  const CErrorMapEntry unknown = CErrorMapList::UnknownEntry("Error 7");
  EXPECT_EQ(unknown.meaning, "Unknown Error");
  EXPECT_TRUE(unknown.causedBy.empty());
  EXPECT_TRUE(unknown.HasInfo());
  EXPECT_FALSE(CErrorMapEntry{}.HasInfo());
  std::vector<std::pair<std::string, std::string>> fields;
  EXPECT_FALSE(CErrorMapList::ErrorInfo(CErrorMapEntry{}, fields));
  ASSERT_TRUE(CErrorMapList::ErrorInfo(*standard.Lookup(0), fields));
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[3], (std::pair<std::string, std::string>{"Remark:", "r"}));
  EXPECT_EQ(fields[4], (std::pair<std::string, std::string>{"Cross Reference:", "x"}));

  list.Clear();
  EXPECT_FALSE(list.Lookup("StandardErrorMap", 0));
}

}  // namespace
}  // namespace zel::monitor
