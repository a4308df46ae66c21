#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "TestPackages.h"
#include "firmware/FirmwareRegistry.h"
#include "firmware/PackageDefinitionLoader.h"
#include "monitor/CErrorMapList.h"

namespace zel::monitor {
namespace {

using test::CrLf;
using test::ErrorMapText;

TEST(ErrorMapPackageTest, LoadsTheListedErrorMapsOfTheVersion) {
  zelpack::PackageNode root;
  std::string summary = test::SummaryText();
  // A capitalised name still counts; files without "ini" and "errormap" are no maps; a map that
  // does not parse is skipped; a listed file that is not there is skipped too.
  summary.replace(summary.find("VariousFile0=StandardErrorMap.ini"), 33,
                  "VariousFile0=STANDARDERRORMAP.INI\r\nVariousFile1=Notes.txt\r\n"
                  "VariousFile2=BrokenErrorMap.ini\r\nVariousFile3=AbsentErrorMap.ini");
  summary.replace(summary.find("VariousFile1=CanErrorMap.ini"), 28, "VariousFile4=CanErrorMap.ini");
  zelpack::PackageNode& version = test::AddVersion(root, "V", summary);
  zelpack::PackageNode& various = version.children.back();
  ASSERT_EQ(various.name, "VariousFiles");
  various.children[0].name = "STANDARDERRORMAP.INI";
  various.AddStream("Notes.txt", ErrorMapText("Notes", {"NotAMap"}));
  various.AddStream("BrokenErrorMap.ini", CrLf({"[Header]", "Name=Broken", ""}));
  const std::string path = test::WritePackage(root, test::ScratchDir("errormaps") / "p.bin");

  CErrorMapList list;
  firmware::FirmwareInfo current;
  current.packagePath = path;
  current.packageDirectory = "V";
  ASSERT_TRUE(list.Adjust(current));
  const auto maps = list.Maps();
  ASSERT_EQ(maps.size(), 2u);
  EXPECT_EQ(maps[0].Name(), "StandardErrorMap");
  EXPECT_EQ(maps[1].Name(), "CanErrorMap");
  EXPECT_EQ(list.Lookup("StandardErrorMap", 1)->name, "Overvoltage");
  EXPECT_EQ(list.Lookup("CanErrorMap", 0)->meaning, "BusOff happened");

  // The command-line entry point takes the first version when none is named.
  CErrorMapList fromFile;
  ASSERT_TRUE(fromFile.LoadFromPackageFile(path));
  EXPECT_EQ(fromFile.Maps().size(), 2u);

  // A package that cannot be read leaves no maps behind.
  current.packageDirectory = "Missing";
  EXPECT_FALSE(list.Adjust(current));
  EXPECT_TRUE(list.Maps().empty());
  EXPECT_FALSE(fromFile.LoadFromPackageFile(path + ".absent"));
  EXPECT_TRUE(fromFile.Maps().empty());
}

// The registry reloads maps and definitions on its worker while the status view and the
// polling monitor keep reading them on their own threads.
TEST(ErrorMapPackageTest, ReloadingBesideReadersIsSafe) {
  zelpack::PackageNode root;
  test::AddVersion(root, "V");
  const std::string path = test::WritePackage(root, test::ScratchDir("reload") / "p.bin");
  CErrorMapList maps;
  parameters::CParameterTable table;
  firmware::PackageDefinitionLoader definitions(table);
  firmware::FirmwareRegistry registry;
  registry.AddListener(definitions);
  registry.AddListener(maps);
  firmware::FirmwareInfo record;
  record.packagePath = path;
  record.packageDirectory = "V";
  record.softwareVersion = 0x1040;
  ASSERT_TRUE(registry.Register(record));
  registry.ReportConnected(0x1040, 0, 0, 0);

  std::atomic<bool> stop{false};
  std::atomic<int> lookups{0};
  std::thread reader([&] {
    while (!stop) {
      const auto rows = ErrorListing::List(0x8003, ErrorWordKind::Standard, maps.AsLookup());
      if (rows.size() != 2) ADD_FAILURE() << "rows: " << rows.size();
      (void)table.Name(1);
      (void)registry.Current();
      ++lookups;
    }
  });
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(registry.Adjust(true));
  while (lookups < 10) std::this_thread::yield();
  stop = true;
  reader.join();
  EXPECT_EQ(maps.Lookup("StandardErrorMap", 1)->name, "Overvoltage");
  EXPECT_EQ(table.Name(1), "SysConfig");
}

}  // namespace
}  // namespace zel::monitor
