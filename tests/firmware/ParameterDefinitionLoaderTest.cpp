#include "firmware/PackageDefinitionLoader.h"
#include "parameters/ParameterDefinitionLoader.h"

#include <gtest/gtest.h>

#include "TestPackages.h"

namespace zel::parameters {
namespace {

using test::CrLf;
using test::ParameterSection;

std::string Section(int n, const std::string& type, const std::string& def, const std::string& min,
                    const std::string& max, const std::string& attribute = "2") {
  return CrLf({"[Parameter" + std::to_string(n) + "]", "Number=" + std::to_string(n),
               "Name=P" + std::to_string(n), "Type=" + type, "Default=" + def, "Min=" + min,
               "Max=" + max, "Unit=u", "Attribut=" + attribute, ""});
}

std::vector<std::int16_t> Numbers(const CParameterTable& table) {
  std::vector<std::int16_t> numbers;
  for (int i = 0; i < table.Count(); ++i) numbers.push_back(table.NumberAt(i));
  return numbers;
}

CParameterTable Empty() {
  CParameterTable table;
  table.Clear();
  return table;
}

TEST(ParameterDefinitionLoaderTest, ListStartsAtTheFirstSectionAndEndsAtTheFirstGap) {
  CParameterTable table = Empty();
  // Section order in the file does not matter; numbering does.
  const std::string file = ParameterSection(4, 4, "B") + ParameterSection(3, 3, "A") +
                           ParameterSection(5, 5, "C") + ParameterSection(7, 7, "AfterGap");
  ASSERT_TRUE(ParameterDefinitionLoader::LoadFile(test::Bytes(file), true, table));
  // The first "Parameter*" in the file is Parameter4, so the list runs 4, 5 and stops at 6.
  EXPECT_EQ(Numbers(table), (std::vector<std::int16_t>{4, 5}));

  CParameterTable fromThree = Empty();
  const std::string ordered = ParameterSection(3, 3, "A") + ParameterSection(4, 4, "B") +
                              ParameterSection(5, 5, "C") + ParameterSection(7, 7, "AfterGap");
  ASSERT_TRUE(ParameterDefinitionLoader::LoadFile(test::Bytes(ordered), true, fromThree));
  EXPECT_EQ(Numbers(fromThree), (std::vector<std::int16_t>{3, 4, 5}));
  EXPECT_EQ(fromThree.SystemCount(), 3);
  EXPECT_EQ(fromThree.Name(3), "A");

  EXPECT_FALSE(ParameterDefinitionLoader::LoadFile(
      test::Bytes(CrLf({"[Parameter]", "Number=1", ""})), true, table));
  EXPECT_FALSE(
      ParameterDefinitionLoader::LoadFile(test::Bytes(CrLf({"[Other1]", ""})), true, table));
}

TEST(ParameterDefinitionLoaderTest, InvalidSectionsEndTheList) {
  struct Case {
    const char* what;
    std::string bad;
  };
  std::string blanks = Section(1, "INT16", "0", "0", "1");
  blanks.replace(blanks.find("Name=P1"), 7, "Name = P1");
  std::string noUnit = Section(1, "INT16", "0", "0", "1");
  noUnit.erase(noUnit.find("Unit=u\r\n"), 8);
  const Case cases[] = {
      {"INT8", Section(1, "INT8", "0", "0", "1")},
      {"UINT8", Section(1, "UINT8", "0", "0", "1")},
      {"Attribut 4", Section(1, "INT16", "0", "0", "1", "4")},
      {"Attribut -1", Section(1, "INT16", "0", "0", "1", "-1")},
      {"Attribut 0x3", Section(1, "INT16", "0", "0", "1", "0x3")},
      {"Attribut with a blank", Section(1, "INT16", "0", "0", "1", "3 ")},
      {"blanks round =", blanks},
      {"missing Unit", noUnit},
      {"negative unsigned", Section(1, "UINT16", "-1", "0", "1")},
      {"signed beyond 32 bits", Section(1, "INT32", "2147483648", "0", "1")},
      {"unsigned beyond 32 bits", Section(1, "UINT32", "4294967296", "0", "1")},
      {"not a number", Section(1, "INT16", "ten", "0", "1")},
  };
  for (const Case& c : cases) {
    CParameterTable table = Empty();
    const std::string file =
        Section(0, "INT16", "0", "0", "1") + c.bad + Section(2, "INT16", "0", "0", "1");
    ASSERT_TRUE(ParameterDefinitionLoader::LoadFile(test::Bytes(file), true, table)) << c.what;
    EXPECT_EQ(Numbers(table), std::vector<std::int16_t>{0}) << c.what;
  }
}

TEST(ParameterDefinitionLoaderTest, TypesAndAttributesMapOntoTheDefinition) {
  CParameterTable table = Empty();
  const std::string file = Section(0, "INT16", "-32768", "-5", "0000000000100", "0") +
                           Section(1, "UINT32", "4294967295", "0", "4294967295", "1") +
                           Section(2, "INT32", "-2147483648", "-2147483648", "2147483647", "3") +
                           // "Attribut" is a decimal number like the other numeric keys.
                           Section(3, "INT16", "0", "0", "1", "03") +
                           Section(4, "INT16", "0", "0", "1", "");
  ASSERT_TRUE(ParameterDefinitionLoader::LoadFile(test::Bytes(file), false, table));
  ASSERT_EQ(table.StatusCount(), 5);
  ParameterDefinition d;
  ASSERT_TRUE(table.Find(0, d));
  EXPECT_EQ(d.width, ParameterDefinition::kWidth16);
  EXPECT_EQ(d.isSigned, 1);
  EXPECT_EQ(d.access, ParameterDefinition::kReadOnly);
  EXPECT_EQ(d.defaultValue, -32768);
  EXPECT_EQ(d.max, 100);  // leading zeros do not count
  ASSERT_TRUE(table.Find(1, d));
  EXPECT_EQ(d.width, ParameterDefinition::kWidth32);
  EXPECT_EQ(d.isSigned, 0);
  EXPECT_EQ(d.access, ParameterDefinition::kWriteOnly);
  EXPECT_EQ(static_cast<std::uint32_t>(d.max), 4294967295u);
  ASSERT_TRUE(table.Find(2, d));
  EXPECT_EQ(d.access, ParameterDefinition::kReadWrite);
  EXPECT_EQ(d.service, 1);
  EXPECT_EQ(d.min, -2147483647 - 1);
  ASSERT_TRUE(table.Find(3, d));
  EXPECT_EQ(d.access, ParameterDefinition::kReadWrite);
  EXPECT_EQ(d.service, 1);
  ASSERT_TRUE(table.Find(4, d));
  EXPECT_EQ(d.access, ParameterDefinition::kReadOnly);
  EXPECT_EQ(d.service, 0);
}

TEST(ParameterDefinitionLoaderTest, LoadFromPackageReplacesTheTableAsAListener) {
  const auto dir = test::ScratchDir("definitions");
  zelpack::PackageNode root;
  test::AddVersion(root, "V");
  zelpack::PackageNode& noStatus = root.AddStorage("NoStatus");
  noStatus.AddStorage("Parameter").AddStream("SystemParameter.ini", ParameterSection(0, 0, "Only"));
  const std::string path = test::WritePackage(root, dir / "p.bin");

  CParameterTable table;  // built-in definitions to begin with
  firmware::PackageDefinitionLoader loader(table);
  firmware::FirmwareInfo current;
  current.packagePath = path;
  current.packageDirectory = "V";
  firmware::AdjustmentListener& listener = loader;
  ASSERT_TRUE(listener.Adjust(current));
  EXPECT_EQ(Numbers(table), (std::vector<std::int16_t>{0, 1, 128}));
  EXPECT_EQ(table.SystemCount(), 2);
  EXPECT_EQ(table.StatusCount(), 1);
  EXPECT_EQ(table.Name(1), "SysConfig");

  current.packageDirectory = "NoStatus";
  EXPECT_FALSE(loader.LoadFromPackage(current));
  EXPECT_EQ(Numbers(table), std::vector<std::int16_t>{0});

  current.packagePath = (dir / "missing.bin").string();
  EXPECT_FALSE(loader.LoadFromPackage(current));
  EXPECT_EQ(table.Count(), 0);
}

}  // namespace
}  // namespace zel::parameters
