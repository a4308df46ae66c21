#include <gtest/gtest.h>

#include "TestPackages.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/PackageDefinitionLoader.h"
#include "monitor/CErrorMapList.h"
#include "sim/DeviceModel.h"
#include "support/CoffWriter.h"
#include "ui/ScriptedHost.h"

namespace zel::firmware {
namespace {

namespace fs = std::filesystem;

// The sample package as the build makes it, put together here from the same sources.
std::string BuildSample() {
  const fs::path source = fs::path(ZEL_EXAMPLES_DIR) / "firmware";
  const fs::path tree = test::ScratchDir("sample") / "tree";
  for (const char* version : {"ZEL_1040", "ZEL_1030"}) {
    const fs::path dir = tree / version;
    fs::create_directories(dir / "BinaryFiles");
    fs::copy(source / "shared", dir, fs::copy_options::recursive);
    fs::copy(source / "versions" / version / "Summary.txt", dir / "Summary.txt");
    test::CoffWriter image;
    image.AddSection({".text", 0x40, 0, test::CoffWriter::PatternWords(".text", 16)});
    for (const char* name : {"ZelCode.out", "FlshCtrl.out", "TiBoot.out"})
      image.WriteFile(dir / "BinaryFiles" / name);
  }
  zelpack::PackageNode root;
  std::string error;
  if (!zelpack::PackageBuilder::TreeFromFolder(tree, root, error)) return {};
  return test::WritePackage(root, tree.parent_path() / "ZelFirmware.bin");
}

TEST(SamplePackageTest, BothVersionsAreCompleteAndOneMatchesTheSimulator) {
  const std::string path = BuildSample();
  ASSERT_FALSE(path.empty());
  ui::ScriptedHost host;
  FirmwarePackage package;
  ASSERT_TRUE(package.Open(path));
  std::vector<std::string> versions;
  ASSERT_TRUE(package.ListVersions(versions));
  ASSERT_EQ(versions.size(), 2u);

  const sim::DeviceIdentity simulator;
  int matching = 0;
  for (const std::string& directory : versions) {
    EXPECT_TRUE(package.CheckComplete(directory, true)) << directory;
    FirmwareInfo info;
    ASSERT_TRUE(package.ReadInfo(directory, info));
    if (info.softwareVersion == simulator.softwareVersion &&
        info.hardwareVersion == simulator.hardwareVersion &&
        info.applicationNumber == simulator.applicationNumber &&
        info.applicationVersion == simulator.applicationVersion)
      ++matching;

    // Every definition of the built-in set is there, and every one has a "Meaning".
    parameters::CParameterTable table;
    firmware::PackageDefinitionLoader loader(table);
    ASSERT_TRUE(loader.LoadFromPackage(info));
    EXPECT_EQ(table.SystemCount(), 42);
    EXPECT_EQ(table.StatusCount(), 13);
    const parameters::CParameterTable builtIn;
    ASSERT_EQ(table.Count(), builtIn.Count());
    for (int i = 0; i < table.Count(); ++i) {
      // "Attribut" has no read-only service code; a read-only parameter is never edited anyway.
      parameters::ParameterDefinition expected = builtIn.At(i);
      if (expected.access == parameters::ParameterDefinition::kReadOnly) expected.service = 0;
      EXPECT_EQ(table.At(i), expected) << "differs from the built-in definition " << i;
    }
    std::vector<std::uint8_t> system;
    ASSERT_TRUE(package.ReadEntry(directory + "\\Parameter", "SystemParameter.ini", system));
    std::string defaults;
    ASSERT_TRUE(FirmwarePackage::FormatDefaults(system, defaults));
    EXPECT_NE(defaults.find("Parameter 41\r\nCAN_Config = 0 \r\n"), std::string::npos);

    monitor::CErrorMapList maps;
    ASSERT_TRUE(maps.Adjust(info));
    ASSERT_EQ(maps.Maps().size(), 2u);
    EXPECT_EQ(maps.Maps()[0].Entries().size(), 15u);  // bits 0..14 of the standard word
    EXPECT_EQ(maps.Lookup("CanErrorMap", 0)->name, "BusOff");
  }
  EXPECT_EQ(matching, 1);
  EXPECT_TRUE(host.Messages().empty());
}

}  // namespace
}  // namespace zel::firmware
