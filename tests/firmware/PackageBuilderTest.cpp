#include "PackageBuilder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "TestPackages.h"
#include "firmware/CompoundFile.h"

namespace zel::zelpack {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool OpensAsPackage(const fs::path& path) {
  firmware::CompoundFile file;
  std::vector<std::uint8_t> data;
  return file.Open(path.string()) && file.ReadStream({"V"}, "Summary.txt", data);
}

// The package goes where it is asked to go, whole, with the target's permissions, and a build
// that fails touches nothing.
TEST(PackageBuilderTest, TheOutputFileIsReplacedWholeOrNotAtAll) {
  const fs::path dir = ScratchDir("output");
  PackageNode good;
  good.AddStorage("V").AddStream("Summary.txt", "summary");

  const fs::path target = dir / "ZelFirmware.bin";
  test::WriteBytes(target, test::Bytes("old"));
  ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
  std::string error;
  ASSERT_TRUE(PackageBuilder::Write(good, target, error)) << error;
  EXPECT_TRUE(OpensAsPackage(target));
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "a private package stays private";

  const fs::path victim = dir / "victim";
  test::WriteBytes(victim, test::Bytes("precious"));
  const fs::path link = dir / "Linked.bin";
  fs::create_symlink(victim, link);
  ASSERT_TRUE(PackageBuilder::Write(good, link, error)) << error;
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_TRUE(OpensAsPackage(link));
  EXPECT_EQ(test::FileBytes(victim), test::Bytes("precious"));

  // Failing builds: a name the format forbids, and trees the reader would refuse.
  const std::vector<std::uint8_t> before = test::FileBytes(target);
  PackageNode badName;
  badName.AddStorage("V").AddStream("a:b", "x");
  EXPECT_FALSE(PackageBuilder::Write(badName, target, error));
  PackageNode deep;
  PackageNode* node = &deep;
  for (int i = 0; i < 40; ++i) node = &node->AddStorage("D");
  EXPECT_FALSE(PackageBuilder::Write(deep, target, error));
  EXPECT_NE(error.find("nested"), std::string::npos) << error;
  PackageNode wide;
  for (int i = 0; i < 1100; ++i) wide.AddStorage("V" + std::to_string(i));
  EXPECT_FALSE(PackageBuilder::Write(wide, target, error));
  EXPECT_NE(error.find("more than"), std::string::npos) << error;
  EXPECT_EQ(test::FileBytes(target), before);
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"Linked.bin", "ZelFirmware.bin", "victim"}))
      << "no temporary file is left";
}

TEST(PackageBuilderTest, BothToolsAnswerHelpAndVersionWithoutWritingAFile) {
  const fs::path dir = ScratchDir("help");
  for (const char* tool : {ZEL_ZELPACK, ZEL_ZELCOFF}) {
    for (const char* option : {"--help", "--version"}) {
      const std::string command =
          "cd '" + dir.string() + "' && '" + tool + "' " + option + " > out.txt 2>&1";
      EXPECT_EQ(std::system(command.c_str()), 0) << command;
      const std::vector<std::uint8_t> out = test::FileBytes(dir / "out.txt");
      EXPECT_FALSE(out.empty()) << command;
    }
  }
  const std::string mistyped =
      "cd '" + dir.string() + "' && '" + ZEL_ZELCOFF + "' --hlep 2>/dev/null";
  EXPECT_NE(std::system(mistyped.c_str()), 0);
  EXPECT_EQ(Names(dir), std::vector<std::string>{"out.txt"});
}

}  // namespace
}  // namespace zel::zelpack
