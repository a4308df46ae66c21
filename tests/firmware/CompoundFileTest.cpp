#include "firmware/CompoundFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "RawCompoundFile.h"
#include "TestPackages.h"

namespace zel::firmware {
namespace {

using test::RawCompoundFile;
using test::RawEntry;
using test::ScratchDir;
using zelpack::PackageNode;

std::string NestedPackage(const std::filesystem::path& dir) {
  PackageNode root;
  PackageNode& version = root.AddStorage("Version A");
  version.AddStream("Summary.txt", "summary");
  PackageNode& inner = version.AddStorage("BinaryFiles").AddStorage("Deep");
  inner.AddStream("Data.bin", std::string(5000, 'x') + "end");
  root.AddStorage("Empty");
  return test::WritePackage(root, dir / "nested.bin");
}

TEST(CompoundFileTest, ReadsBackWhatTheBuilderWrote) {
  const std::string path = NestedPackage(ScratchDir("roundtrip"));
  ASSERT_FALSE(path.empty());
  CompoundFile file;
  ASSERT_TRUE(file.Open(path));

  std::vector<CompoundElement> elements;
  ASSERT_TRUE(file.List({}, elements));
  ASSERT_EQ(elements.size(), 2u);
  for (const auto& e : elements) EXPECT_TRUE(e.isStorage) << e.name;

  // Names are found whatever their case, at any depth; a stream is no storage and vice versa.
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(file.ReadStream({"VERSION a", "binaryfiles", "deep"}, "DATA.BIN", data));
  ASSERT_EQ(data.size(), 5003u);
  EXPECT_EQ(std::string(data.end() - 3, data.end()), "end");
  EXPECT_FALSE(file.ReadStream({"Version A"}, "BinaryFiles", data));
  EXPECT_TRUE(data.empty());
  EXPECT_FALSE(file.List({"Version A", "Summary.txt"}, elements));
  EXPECT_FALSE(file.List({"Missing"}, elements));
  ASSERT_TRUE(file.List({"Empty"}, elements));
  EXPECT_TRUE(elements.empty());

  // The cap refuses a stream larger than allowed instead of reading it.
  EXPECT_FALSE(file.ReadStream({"Version A", "BinaryFiles", "Deep"}, "Data.bin", data, 4096));
  EXPECT_TRUE(file.ReadStream({"Version A", "BinaryFiles", "Deep"}, "Data.bin", data, 5003));

  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.List({}, elements));
}

// A version folder called "Ver:1" would be listed by the tool but never found again, since
// ":" is dropped from storage paths; such trees are refused, and nothing is left behind.
TEST(CompoundFileTest, TheBuilderRefusesNamesAPackageCannotHold) {
  const std::filesystem::path dir = ScratchDir("names");
  for (const char* bad : {"Ver:1", "a!b", "a/b", "a\\b"}) {
    PackageNode root;
    root.AddStorage("Good").AddStorage(bad).AddStream("ZelCode.out", "x");
    std::string error;
    EXPECT_FALSE(zelpack::PackageBuilder::Write(root, dir / "bad.bin", error)) << bad;
    EXPECT_NE(error.find(bad), std::string::npos) << error;
  }
  PackageNode root;
  PackageNode& docs = root.AddStorage("V").AddStorage("DocFiles");
  docs.AddStream("ReadMe.txt", "one");
  docs.AddStream("README.TXT", "two");
  std::string error;
  EXPECT_FALSE(zelpack::PackageBuilder::Write(root, dir / "bad.bin", error));
  EXPECT_NE(error.find("differ only in case"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(dir / "bad.bin"));
  EXPECT_FALSE(std::filesystem::exists(dir / "bad.bin.part"));
}

TEST(CompoundFileTest, PackagesOpenInAnIndependentReader) {
  // Debian's python3-olefile lives with the system's interpreter, which need not be first on
  // the PATH.
  std::string python;
  for (const char* candidate : {"/usr/bin/python3", "python3"}) {
    if (std::system((std::string(candidate) + " -c 'import olefile' 2>/dev/null").c_str()) == 0) {
      python = candidate;
      break;
    }
  }
  // scripts/install-deps.sh installs it: a missing reader is a broken set-up, not a pass.
  ASSERT_FALSE(python.empty()) << "python3-olefile is not installed";
  const std::filesystem::path dir = ScratchDir("olefile");
  const std::string path = NestedPackage(dir);
  ASSERT_FALSE(path.empty());
  const std::string script =
      "import olefile,sys\n"
      "o=olefile.OleFileIO(sys.argv[1])\n"
      "d=o.openstream('Version A/BinaryFiles/Deep/Data.bin').read()\n"
      "assert len(d)==5003 and d.endswith(b'end'), len(d)\n"
      "assert o.openstream('Version A/Summary.txt').read()==b'summary'\n"
      "assert o.exists('Empty') and o.get_type('Empty')==olefile.STGTY_STORAGE\n";
  const std::filesystem::path scriptPath = dir / "check.py";
  test::WriteBytes(scriptPath, test::Bytes(script));
  EXPECT_EQ(std::system((python + " " + scriptPath.string() + " " + path).c_str()), 0);
}

// Opened both from a file and from memory, the two ways the tool reads a package.
bool Opens(const std::vector<std::uint8_t>& bytes, const std::filesystem::path& dir) {
  CompoundFile file;
  const bool fromMemory = file.OpenMemory(bytes);
  test::WriteBytes(dir / "raw.bin", bytes);
  const bool fromFile = file.Open((dir / "raw.bin").string());
  EXPECT_EQ(fromMemory, fromFile);
  return fromMemory && fromFile;
}

// The library walks the directory by recursion and believes its links: these shapes overflowed
// its stack, or kept it busy for minutes, before the directory was checked first.
TEST(CompoundFileTest, HostileDirectoriesAreRefusedAtOnce) {
  const std::filesystem::path dir = ScratchDir("hostile");

  // Modest shapes of the same kind still open and read as they are: the refusals below are
  // about size and links, not about how the test lays out the file.
  {
    const RawCompoundFile chain = RawCompoundFile::SiblingChain(600);
    CompoundFile file;
    ASSERT_TRUE(file.OpenMemory(chain.Bytes()));
    std::vector<CompoundElement> elements;
    ASSERT_TRUE(file.List({}, elements));
    EXPECT_EQ(elements.size(), 600u);
    ASSERT_TRUE(file.OpenMemory(RawCompoundFile::Nested(20).Bytes()));
    std::vector<std::string> path;
    for (int i = 1; i <= 19; ++i) path.push_back("S" + std::to_string(i));
    ASSERT_TRUE(file.List(path, elements));
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].name, "S20");
  }

  EXPECT_FALSE(Opens(RawCompoundFile::Nested(35000).Bytes(), dir)) << "nested 35 000 deep";
  EXPECT_FALSE(Opens(RawCompoundFile::SiblingChain(50000).Bytes(), dir)) << "50 000 siblings";
  EXPECT_FALSE(Opens(RawCompoundFile::SiblingChain(4000).Bytes(), dir)) << "4 000 siblings";
  EXPECT_FALSE(Opens(RawCompoundFile::Nested(40).Bytes(), dir)) << "deeper than any package";

  // Links that make the tree a graph: a cycle back to an ancestor, a link to itself, and one
  // subtree reached twice from every level, which the library would walk 2^40 times.
  RawCompoundFile cycle = RawCompoundFile::Nested(5);
  cycle.entries[5].child = 2;
  EXPECT_FALSE(Opens(cycle.Bytes(), dir)) << "cycle";
  RawCompoundFile self = RawCompoundFile::SiblingChain(3);
  self.entries[2].left = 2;
  EXPECT_FALSE(Opens(self.Bytes(), dir)) << "self link";
  RawCompoundFile shared = RawCompoundFile::SiblingChain(40);
  for (std::size_t i = 1; i < 40; ++i) shared.entries[i].left = static_cast<std::uint32_t>(i + 1);
  EXPECT_FALSE(Opens(shared.Bytes(), dir)) << "shared subtree";
  RawCompoundFile outside = RawCompoundFile::SiblingChain(3);
  outside.entries[3].right = 4000;
  EXPECT_FALSE(Opens(outside.Bytes(), dir)) << "link beyond the directory";
  RawCompoundFile rootLink = RawCompoundFile::SiblingChain(3);
  rootLink.entries[3].right = 0;
  EXPECT_FALSE(Opens(rootLink.Bytes(), dir)) << "link back to the root";

  // The directory's sector chain looping, leaving the file, or never ending.
  const RawCompoundFile tree = RawCompoundFile::SiblingChain(20);
  const std::vector<std::uint8_t> sound = tree.Bytes();
  ASSERT_TRUE(Opens(sound, dir));
  for (const std::uint32_t next : {tree.FirstDirectorySector(), tree.LastDirectorySector(),
                                   std::uint32_t{0x00FFFFFF}, std::uint32_t{0xFFFFFFFF}}) {
    std::vector<std::uint8_t> bad = sound;
    RawCompoundFile::SetFatEntry(bad, tree.LastDirectorySector(), next);
    EXPECT_FALSE(Opens(bad, dir)) << "directory chain continued at " << next;
  }
  std::vector<std::uint8_t> badFat = sound;
  badFat[0x4C] = 0x77;  // the first allocation-table sector lies beyond the file
  EXPECT_FALSE(Opens(badFat, dir));
}

TEST(CompoundFileTest, DamagedFilesNeverOpenIntoGarbageOrCrash) {
  const std::filesystem::path dir = ScratchDir("damaged");
  CompoundFile file;
  EXPECT_FALSE(file.Open((dir / "absent.bin").string()));
  EXPECT_FALSE(file.Open(dir.string()));  // a folder
  test::WriteBytes(dir / "text.bin", test::Bytes("[Header]\r\nDate=1\r\n"));
  EXPECT_FALSE(file.Open((dir / "text.bin").string()));
  test::WriteBytes(dir / "empty.bin", {});
  EXPECT_FALSE(file.Open((dir / "empty.bin").string()));
  EXPECT_FALSE(file.OpenMemory({}));

  // A root entry with siblings is no compound file; the library would lose them.
  const std::vector<std::uint8_t> original = test::FileBytes(NestedPackage(dir));
  ASSERT_TRUE(file.OpenMemory(original));
  const std::size_t root = (static_cast<std::size_t>(original[0x30] | original[0x31] << 8) + 1)
                           << 9;
  for (std::size_t field : {std::size_t{0x44}, std::size_t{0x48}}) {
    std::vector<std::uint8_t> sibling = original;
    sibling[root + field] = 1;
    sibling[root + field + 1] = sibling[root + field + 2] = sibling[root + field + 3] = 0;
    EXPECT_FALSE(file.OpenMemory(sibling));
    test::WriteBytes(dir / "sibling.bin", sibling);
    EXPECT_FALSE(file.Open((dir / "sibling.bin").string()));
  }

  // Truncations and flipped bytes of a good package: whatever opens must still answer every
  // question without crashing, and a read either delivers the whole stream or nothing.
  const std::vector<std::uint8_t> good = test::FileBytes(NestedPackage(dir));
  ASSERT_GT(good.size(), 1024u);
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::uint8_t> bad = good;
    if (round % 2 == 0) {
      bad.resize(random() % good.size());
    } else {
      for (int i = 0; i < 8; ++i) bad[random() % bad.size()] = static_cast<std::uint8_t>(random());
    }
    if (!file.OpenMemory(bad)) continue;
    std::vector<CompoundElement> elements;
    file.List({}, elements);
    std::vector<std::uint8_t> data;
    if (file.ReadStream({"Version A", "BinaryFiles", "Deep"}, "Data.bin", data))
      EXPECT_EQ(data.size(), 5003u);
    else
      EXPECT_TRUE(data.empty());
  }
}

}  // namespace
}  // namespace zel::firmware
