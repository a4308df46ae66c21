#include <gtest/gtest.h>

#include <sstream>

#include "RawCompoundFile.h"
#include "TestPackages.h"
#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"

namespace zel::cli {
namespace {

struct CliRun {
  int rc = 0;
  std::string out;
  std::string err;
};

CliRun Package(const std::vector<std::string>& args, bool json = false) {
  CommandRegistry registry;
  RegisterPackageCommands(registry);
  const CliCommand* command = registry.Find("package");
  EXPECT_NE(command, nullptr);
  std::ostringstream out, err;
  GlobalOptions options;
  options.json = json;
  CliRun result;
  {
    CommandContext ctx(options, out, err);
    result.rc = command->run(ctx, args);
  }
  result.out = out.str();
  result.err = err.str();
  return result;
}

class PackageCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto dir = test::ScratchDir("cli");
    zelpack::PackageNode two, one;
    test::AddVersion(two, "A");
    std::string incomplete = test::SummaryText({"0x1030"});
    incomplete.erase(incomplete.find("DocFile0=DocFiles\\ReadMe.txt\r\n"), 30);
    test::AddVersion(two, "B", incomplete);
    test::AddVersion(one, "Only");
    several_ = test::WritePackage(two, dir / "two.bin");
    single_ = test::WritePackage(one, dir / "one.bin");
    std::vector<std::uint8_t> bytes = test::FileBytes(single_);
    bytes.resize(bytes.size() / 3);
    damaged_ = (dir / "damaged.bin").string();
    test::WriteBytes(damaged_, bytes);
  }
  std::string several_, single_, damaged_;
};

TEST_F(PackageCommandsTest, ListsVersionsAndChecksTheNamedOne) {
  CliRun versions = Package({"versions", several_});
  EXPECT_EQ(versions.rc, kExitOk);
  EXPECT_NE(versions.out.find("A:\n  Software Version:    0x1040"), std::string::npos);
  EXPECT_NE(versions.out.find("B:\n  Software Version:    0x1030"), std::string::npos);
  EXPECT_NE(versions.out.find("Date:                05.03.2024 14:07"), std::string::npos);

  CliRun json = Package({"versions", single_}, true);
  EXPECT_NE(json.out.find("\"ok\":true"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"directory\":\"Only\""), std::string::npos) << json.out;

  EXPECT_EQ(Package({"check", several_, "A"}).rc, kExitOk);
  CliRun incomplete = Package({"check", several_, "B"});
  EXPECT_EQ(incomplete.rc, kExitFailed);
  EXPECT_NE(incomplete.err.find("The documentation file 'ReadMe.txt' is missing!"),
            std::string::npos);

  // Several versions and none named: nothing is guessed.
  CliRun ambiguous = Package({"check", several_});
  EXPECT_EQ(ambiguous.rc, kExitFailed);
  EXPECT_NE(ambiguous.err.find("several versions"), std::string::npos);
  EXPECT_EQ(Package({"check", several_, "C"}).rc, kExitFailed);
}

TEST_F(PackageCommandsTest, ShowsTextsDefaultsAndErrorMaps) {
  CliRun summary = Package({"summary", single_});
  EXPECT_EQ(summary.rc, kExitOk);
  EXPECT_NE(summary.out.find("[Header]\nDate=05.03.2024 14:07\n"), std::string::npos);
  EXPECT_EQ(summary.out.find('\r'), std::string::npos);
  EXPECT_EQ(Package({"readme", single_}).out, "Read me\n");

  CliRun defaults = Package({"defaults", single_});
  EXPECT_NE(defaults.out.find("Parameter 1\nSysConfig = 10 rpm\n(Test value SysConfig)\n"),
            std::string::npos)
      << defaults.out;
  CliRun raw = Package({"defaults", single_, "--raw"});
  EXPECT_NE(raw.out.find("[Parameter0]\nNumber=0\n"), std::string::npos);

  CliRun maps = Package({"errormaps", single_});
  EXPECT_EQ(maps.rc, kExitOk);
  EXPECT_NE(maps.out.find("StandardErrorMap (Errors)\n      0  Overcurrent: Overcurrent happened"),
            std::string::npos)
      << maps.out;
  EXPECT_NE(maps.out.find("      0  BusOff: BusOff happened"), std::string::npos);
}

TEST_F(PackageCommandsTest, RefusesBadCommandLinesAndDamagedFiles) {
  EXPECT_EQ(Package({"versions"}).rc, kExitUsage);
  EXPECT_EQ(Package({"unknown", single_}).rc, kExitUsage);
  EXPECT_EQ(Package({"check", single_, "Only", "extra"}).rc, kExitUsage);
  // Directories that crashed or stalled the compound-file library get the usual refusal.
  const auto dir = test::ScratchDir("cli-hostile");
  const std::string deep = (dir / "deep.bin").string();
  const std::string wide = (dir / "wide.bin").string();
  test::WriteBytes(deep, test::RawCompoundFile::Nested(35000).Bytes());
  test::WriteBytes(wide, test::RawCompoundFile::SiblingChain(50000).Bytes());
  for (const std::string& path : {damaged_, single_ + ".absent", deep, wide}) {
    CliRun run = Package({"versions", path});
    EXPECT_EQ(run.rc, kExitFailed);
    EXPECT_NE(run.err.find("Unable to open file!"), std::string::npos) << run.err;
  }

  // A package none of whose versions can be read, or that holds none, is no listing: exit 1.
  zelpack::PackageNode unreadable, empty;
  std::string undated = test::SummaryText();
  const std::size_t date = undated.find("Date=");
  undated.erase(date, undated.find("\r\n", date) + 2 - date);
  test::AddVersion(unreadable, "X", undated);
  test::AddVersion(unreadable, "Y", undated);
  empty.AddStorage("NotAVersion").AddStream("Notes.txt", "no firmware here\r\n");
  CliRun none = Package({"versions", test::WritePackage(unreadable, dir / "unreadable.bin")}, true);
  EXPECT_EQ(none.rc, kExitFailed);
  EXPECT_NE(none.out.find("\"ok\":false"), std::string::npos) << none.out;
  EXPECT_NE(none.err.find("No version of the package can be read (X, Y)."), std::string::npos)
      << none.err;
  CliRun nothing = Package({"versions", test::WritePackage(empty, dir / "empty.bin")});
  EXPECT_EQ(nothing.rc, kExitFailed);
  EXPECT_NE(nothing.err.find("The package holds no firmware version."), std::string::npos)
      << nothing.err;
  // One readable version is a listing, the unreadable one marked in it.
  test::AddVersion(unreadable, "Z");
  CliRun some = Package({"versions", test::WritePackage(unreadable, dir / "some.bin")});
  EXPECT_EQ(some.rc, kExitOk) << some.err;
  EXPECT_NE(some.out.find("X: Error reading firmware info!"), std::string::npos) << some.out;
}

}  // namespace
}  // namespace zel::cli
