#include "firmware/FirmwarePackage.h"

#include <gtest/gtest.h>

#include "TestPackages.h"
#include "firmware/FirmwareVersionChoice.h"
#include "firmware/PackageDate.h"
#include "ui/ScriptedHost.h"

namespace zel::firmware {
namespace {

using test::AddVersion;
using test::CrLf;
using test::ScratchDir;
using test::SummaryText;
using zelpack::PackageNode;

std::string Build(const PackageNode& root, const std::string& name) {
  return test::WritePackage(root, ScratchDir(name) / "package.bin");
}

TEST(FirmwarePackageTest, StoragePathsDropRootPrefixAndForbiddenCharacters) {
  using V = std::vector<std::string>;
  EXPECT_EQ(FirmwarePackage::SplitStoragePath(""), V{});
  EXPECT_EQ(FirmwarePackage::SplitStoragePath("\\"), V{});
  EXPECT_EQ(FirmwarePackage::SplitStoragePath("Root\\V1\\BinaryFiles"), (V{"V1", "BinaryFiles"}));
  EXPECT_EQ(FirmwarePackage::SplitStoragePath("\\V1\\Doc:Files!\\"), (V{"V1", "DocFiles"}));
  EXPECT_EQ(FirmwarePackage::SplitStoragePath("a/b"), (V{"ab"}));
  // Only the exact five characters are a root prefix.
  EXPECT_EQ(FirmwarePackage::SplitStoragePath("root\\V1"), (V{"root", "V1"}));
}

TEST(FirmwarePackageTest, VersionsAreFoundByTheirProgramImageWherePutAndInOrder) {
  PackageNode root;
  AddVersion(root, "Release 2");
  // A version whose program sits outside "BinaryFiles" still counts as a version.
  PackageNode& odd = root.AddStorage("Odd");
  odd.AddStorage("Images").AddStream("zelcode.OUT", "x");
  root.AddStorage("NoProgram").AddStream("Summary.txt", SummaryText());
  const std::string path = Build(root, "versions");

  FirmwarePackage package;
  std::vector<std::string> versions;
  EXPECT_FALSE(package.ListVersions(versions));  // nothing open yet
  ASSERT_TRUE(package.Open(path));
  EXPECT_EQ(package.PackagePath(), path);
  ASSERT_TRUE(package.ListVersions(versions));
  // In the order the compound file keeps its directory (shorter names first).
  EXPECT_EQ(versions, (std::vector<std::string>{"Odd", "Release 2"}));

  std::vector<std::string> found;
  ASSERT_TRUE(package.FindStreams("", "ZELCODE.out", found));
  EXPECT_EQ(found, (std::vector<std::string>{"\\Odd\\Images\\zelcode.OUT",
                                             "\\Release 2\\BinaryFiles\\ZelCode.out"}));
  ASSERT_TRUE(package.FindStreams("Odd", "zelcode.out", found));
  EXPECT_EQ(found, std::vector<std::string>{"Odd\\Images\\zelcode.OUT"});
  EXPECT_FALSE(package.FindStreams("Missing", "zelcode.out", found));

  std::vector<std::uint8_t> data;
  EXPECT_TRUE(package.ReadEntry("Root\\Release 2\\BinaryFiles", "TiBoot.out", data));
  EXPECT_EQ(std::string(data.begin(), data.end()), "boot");
  EXPECT_TRUE(package.Close());
  EXPECT_FALSE(package.Close());
  EXPECT_FALSE(package.ReadEntry("Release 2\\BinaryFiles", "TiBoot.out", data));
}

TEST(FirmwarePackageTest, ReadInfoTakesTheSummaryFoundExactlyOnce) {
  PackageNode root;
  AddVersion(root, "Good");
  PackageNode& nested = root.AddStorage("Nested");
  nested.AddStorage("Docs").AddStream("summary.TXT", SummaryText({"0x2000", "1", "2", "3"}));
  PackageNode& twice = AddVersion(root, "Twice");
  twice.AddStorage("DocFiles2").AddStream("Summary.txt", SummaryText());
  const std::string path = Build(root, "readinfo");

  FirmwarePackage package;
  ASSERT_TRUE(package.Open(path));
  FirmwareInfo info;
  ASSERT_TRUE(package.ReadInfo("Good", info));
  EXPECT_EQ(info.packagePath, path);
  EXPECT_EQ(info.packageDirectory, "Good");
  EXPECT_EQ(PackageDate::Format(info.date), "05.03.2024 14:07");
  EXPECT_EQ(info.visum, "QA");
  EXPECT_EQ(info.softwareVersion, 0x1040);
  EXPECT_EQ(info.hardwareVersion, 0x0200);
  EXPECT_EQ(info.sampleNumber, "S-7");
  EXPECT_EQ(info.binaryFiles.size(), 3u);
  EXPECT_EQ(info.variousFiles.back(), "CanErrorMap.ini");

  FirmwareInfo nestedInfo;
  ASSERT_TRUE(package.ReadInfo("Nested", nestedInfo));  // found anywhere below the directory
  EXPECT_EQ(nestedInfo.softwareVersion, 0x2000);
  EXPECT_EQ(nestedInfo.applicationVersion, 3);

  FirmwareInfo untouched = info;
  EXPECT_FALSE(package.ReadInfo("Twice", untouched));
  EXPECT_EQ(untouched.packageDirectory, "Good");
  EXPECT_FALSE(package.ReadInfo("Missing", untouched));
}

TEST(FirmwarePackageTest, SummaryNeedsEveryHeaderAndVersionKey) {
  FirmwareInfo info;
  ASSERT_TRUE(FirmwarePackage::ParseSummary(test::Bytes(SummaryText()), info));

  const std::vector<std::string> mandatory = {"Date=",
                                              "Visum=",
                                              "Meaning=",
                                              "SoftwareVersion=",
                                              "HardwareVersion=",
                                              "ApplicationNumber=",
                                              "ApplicationVersion=",
                                              "SampleNumber="};
  for (const std::string& key : mandatory) {
    std::string text = SummaryText();
    text.replace(text.find(key), key.size() - 1, "X" + key.substr(0, key.size() - 1));
    EXPECT_FALSE(FirmwarePackage::ParseSummary(test::Bytes(text), info)) << key;
  }
  // Unconvertible values count as missing: a five-digit version, a date that is no date.
  std::string wide = SummaryText({"0x10400"});
  EXPECT_FALSE(FirmwarePackage::ParseSummary(test::Bytes(wide), info));
  std::string badDate = SummaryText();
  badDate.replace(badDate.find("05.03.2024"), 10, "31.02.2024");
  EXPECT_FALSE(FirmwarePackage::ParseSummary(test::Bytes(badDate), info));
  std::string shortDate = SummaryText();
  shortDate.replace(shortDate.find("05.03.2024 14:07"), 16, "05.03.2024 14:7");
  EXPECT_FALSE(FirmwarePackage::ParseSummary(test::Bytes(shortDate), info));
}

TEST(FirmwarePackageTest, ListsEndAtTheFirstGapAndMayBeEmpty) {
  const std::string text = CrLf(
      {"[Header]", "Date=01.01.2020 00:00", "Visum=v", "Meaning=m", "", "[Version]",
       "SoftwareVersion=1040", "HardwareVersion=0x2", "ApplicationNumber=0",
       "ApplicationVersion=FFFF", "SampleNumber=", "", "[BinaryFiles]", "BinaryFile0=ZelCode.out",
       "BinaryFile2=TiBoot.out", "", "[DocFiles]", "DocFile00=ReadMe.txt", ""});
  FirmwareInfo info;
  ASSERT_TRUE(FirmwarePackage::ParseSummary(test::Bytes(text), info));
  EXPECT_EQ(info.softwareVersion, 0x1040);
  EXPECT_EQ(info.applicationVersion, 0xFFFF);
  EXPECT_EQ(info.binaryFiles, std::vector<std::string>{"ZelCode.out"});
  EXPECT_TRUE(info.parameterFiles.empty());
  EXPECT_TRUE(info.docFiles.empty());  // "DocFile00" is not index 0
}

TEST(FirmwarePackageTest, CompletenessComparesEndingsWithoutCaseAndReportsTheFirstGap) {
  EXPECT_TRUE(FirmwarePackage::ListHasEnding({"Storage\\BINARY\\ZELCODE.OUT"}, "ZelCode.out"));
  EXPECT_FALSE(FirmwarePackage::ListHasEnding({"Code.out"}, "ZelCode.out"));
  EXPECT_FALSE(FirmwarePackage::ListHasEnding({"ZelCode.out.bak"}, "ZelCode.out"));

  auto withoutLine = [](const std::string& line) {
    std::string text = SummaryText();
    text.erase(text.find(line), line.size() + 2);
    return text;
  };
  struct Case {
    std::string summary;
    std::string message;
  };
  const Case cases[] = {
      {withoutLine("BinaryFile0=BinaryFiles\\ZelCode.out"),
       "The binary file 'ZelCode.out' is missing!"},
      {withoutLine("BinaryFile1=BinaryFiles\\FlshCtrl.out"),
       "The binary file 'FlshCtrl.out' is missing!"},
      {withoutLine("ParameterFile1=Parameter\\StatusParameter.ini"),
       "The parameter file 'StatusParameter.ini' is missing!"},
      {withoutLine("DocFile0=DocFiles\\ReadMe.txt"),
       "The documentation file 'ReadMe.txt' is missing!"},
  };
  PackageNode root;
  AddVersion(root, "Complete");
  for (std::size_t i = 0; i < std::size(cases); ++i)
    AddVersion(root, "Case" + std::to_string(i), cases[i].summary);
  root.AddStorage("NoSummary").AddStream("ZelCode.out", "x");
  const std::string path = Build(root, "complete");

  ui::ScriptedHost host;
  FirmwarePackage package;
  EXPECT_FALSE(package.CheckComplete("Complete", false));  // not open
  ASSERT_TRUE(package.Open(path));
  EXPECT_TRUE(package.CheckComplete("Complete", true));
  EXPECT_TRUE(host.Messages().empty());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    host.Clear();
    // A missing file is reported even when errors are not asked for.
    EXPECT_FALSE(package.CheckComplete("Case" + std::to_string(i), false));
    EXPECT_EQ(host.Messages(), std::vector<std::string>{cases[i].message});
  }
  host.Clear();
  EXPECT_FALSE(package.CheckComplete("NoSummary", false));
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_FALSE(package.CheckComplete("NoSummary", true));
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"Error reading firmware info!"});
  EXPECT_EQ(host.WaitCursorDepth(), 0);
}

TEST(FirmwarePackageTest, ChoosingAmongSeveralVersionsGoesThroughTheDialog) {
  PackageNode single;
  AddVersion(single, "Only");
  PackageNode several;
  AddVersion(several, "First");
  AddVersion(several, "Second", SummaryText({"0x1030"}));
  const std::string singlePath = Build(single, "choose-single");
  const std::string severalPath = Build(several, "choose-several");
  ui::ScriptedHost host;

  FirmwarePackage package;
  std::string directory = "unchanged";
  EXPECT_FALSE(package.ChooseVersion(directory, false));
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_FALSE(package.ChooseVersion(directory, true));
  EXPECT_EQ(host.LastMessage(), "Error opening firmware file!");

  ASSERT_TRUE(package.Open(singlePath));
  EXPECT_TRUE(package.ChooseVersion(directory, true));
  EXPECT_EQ(directory, "Only");
  EXPECT_TRUE(package.IsOpen());

  std::string askedFor;
  bool dialogSawClosedPackage = false;
  FirmwarePackage::SetVersionChooser([&](const std::string& path, std::string& chosen) {
    askedFor = path;
    dialogSawClosedPackage = !package.IsOpen();
    chosen = "Second";
    return false;
  });
  ASSERT_TRUE(package.Open(severalPath));
  EXPECT_FALSE(package.ChooseVersion(directory, true));  // Cancel
  EXPECT_EQ(askedFor, severalPath);
  EXPECT_TRUE(dialogSawClosedPackage);
  EXPECT_FALSE(package.IsOpen());
  EXPECT_EQ(directory, "Only");

  FirmwarePackage::SetVersionChooser([](const std::string&, std::string& chosen) {
    chosen = "Second";
    return true;
  });
  ASSERT_TRUE(package.Open(severalPath));
  EXPECT_TRUE(package.ChooseVersion(directory, true));
  EXPECT_EQ(directory, "Second");
  EXPECT_TRUE(package.IsOpen());
  FirmwarePackage::SetVersionChooser({});

  // Without a dialog nothing is chosen among several.
  EXPECT_FALSE(package.ChooseVersion(directory, true));
  EXPECT_FALSE(package.IsOpen());

  // What the dialog offers: every version that reads, in list order.
  std::vector<FirmwareInfo> infos;
  ASSERT_TRUE(FirmwarePackage::ReadVersionInfos(severalPath, infos));
  ASSERT_EQ(infos.size(), 2u);
  EXPECT_EQ(infos[1].softwareVersion, 0x1030);
  std::string readMe;
  EXPECT_TRUE(FirmwarePackage::ReadReadMe(severalPath, "Second", readMe));
  EXPECT_EQ(readMe, "Read me\r\n");
  EXPECT_FALSE(FirmwarePackage::ReadReadMe(severalPath, "Third", readMe));
}

TEST(FirmwarePackageTest, SelectFirmwareOffersTheVersionsThatRead) {
  PackageNode root;
  AddVersion(root, "A");
  root.AddStorage("Broken").AddStream("ZelCode.out", "x");  // no summary: not offered
  PackageNode& noReadMe = AddVersion(root, "C", SummaryText({"0x1030"}, "Older"));
  std::erase_if(noReadMe.children, [](const PackageNode& n) { return n.name == "DocFiles"; });
  const std::string path = Build(root, "select");
  ui::ScriptedHost host;

  FirmwareVersionChoice choice;
  ASSERT_TRUE(choice.Load(path));
  EXPECT_EQ(choice.Entries(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(choice.Selected(), 0);
  choice.Select(5);  // out of range: unchanged
  choice.Select(1);
  const auto fields = choice.Fields();
  EXPECT_EQ(fields[0], (std::pair<std::string, std::string>{"Software Version", "0x1030"}));
  EXPECT_EQ(fields[4].second, "Older");
  EXPECT_EQ(fields[5].second, "05.03.2024 14:07");
  choice.ShowReadMe();
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"Error opening 'ReadMe.txt'!"});
  choice.Select(0);
  choice.ShowReadMe();
  ASSERT_EQ(host.ShownTexts().size(), 1u);
  EXPECT_EQ(host.ShownTexts()[0].second, "Read me\r\n");
  std::string directory;
  ASSERT_TRUE(choice.Chosen(directory));
  EXPECT_EQ(directory, "A");

  FirmwareVersionChoice none;
  EXPECT_FALSE(none.Load(path + ".absent"));
  EXPECT_FALSE(none.Chosen(directory));
  EXPECT_TRUE(none.Fields()[0].second.empty());
}

TEST(FirmwarePackageTest, TextWindowsShowTheEntriesOrSayTheyDoNotExist) {
  PackageNode root;
  AddVersion(root, "V");
  root.AddStorage("Bare").AddStream("ZelCode.out", "x");
  const std::string path = Build(root, "texts");
  ui::ScriptedHost host;
  FirmwarePackage package;
  ASSERT_TRUE(package.Open(path));

  package.ShowSummary("V");
  package.ShowReadMe("V");
  package.ShowDefaults("V", false);
  const auto shown = host.ShownTexts();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].first, "Content of Header");
  EXPECT_EQ(shown[0].second, SummaryText());
  EXPECT_EQ(shown[1],
            (std::pair<std::string, std::string>{"Content of ReadMe.txt", "Read me\r\n"}));
  EXPECT_EQ(shown[2].first, "Content of SystemParameter.ini");

  package.ShowSummary("Bare");
  package.ShowReadMe("Bare");
  package.ShowDefaults("Bare", true);
  EXPECT_EQ(host.Messages(),
            (std::vector<std::string>{"The file 'ReadMe.txt' does not exist!",
                                      "The file 'ReadMe.txt' does not exist!",
                                      "The file 'SystemParameter.ini' does not exist!"}));
  EXPECT_EQ(host.ShownTexts().size(), 3u);
}

TEST(FirmwarePackageTest, DefaultsAreListedUpToTheFirstGap) {
  using test::ParameterSection;
  const std::string dashes(84, '-');
  std::string text;
  const std::string file = ParameterSection(3, 3, "A") + ParameterSection(4, 4, "B") +
                           ParameterSection(6, 6, "AfterGap");
  ASSERT_TRUE(FirmwarePackage::FormatDefaults(test::Bytes(file), text));
  EXPECT_EQ(text, CrLf({"SystemParameter Default Values", dashes, "Parameter 3", "A = 10 rpm",
                        "(Test value A)", "", "Parameter 4", "B = 10 rpm", "(Test value B)", ""}));

  // One section without "Unit" and nothing at all is shown.
  std::string noUnit = ParameterSection(0, 0, "A") + ParameterSection(1, 1, "B");
  noUnit.erase(noUnit.rfind("Unit=rpm\r\n"), 10);
  EXPECT_FALSE(FirmwarePackage::FormatDefaults(test::Bytes(noUnit), text));
  EXPECT_FALSE(
      FirmwarePackage::FormatDefaults(test::Bytes(CrLf({"[Other]", "Number=1", ""})), text));

  // A section whose number points back at itself must not walk in circles.
  const std::string circle = ParameterSection(5, 5, "A") + ParameterSection(6, 5, "Loop");
  ASSERT_TRUE(FirmwarePackage::FormatDefaults(test::Bytes(circle), text));
  EXPECT_NE(text.find("Loop = 10 rpm"), std::string::npos);
}

}  // namespace
}  // namespace zel::firmware
