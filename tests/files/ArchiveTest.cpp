#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "files/AtomicFileWriter.h"

namespace zel::files {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Prefix(const Bytes& data, std::size_t count) {
  return Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(count));
}

// Bytes of a little-endian value of the given width.
void Put(Bytes& bytes, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

TEST(ArchiveTest, PrimitivesAreLittleEndianWithoutPadding) {
  ArchiveWriter writer;
  writer.WriteUInt8(0xAB);
  writer.WriteInt16(-2);
  writer.WriteUInt32(0x12345678);
  writer.WriteFloat(1.0f);
  writer.WriteDouble(-2.5);
  writer.WriteInt8(-128);
  writer.WriteUInt16(0xBEEF);
  writer.WriteInt32(std::numeric_limits<std::int32_t>::min());
  writer.WriteInt64(-3);
  writer.WriteUInt64(0x0102030405060708ULL);
  const Bytes expectedHead = {0xAB, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x80,
                              0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xC0};
  ASSERT_EQ(writer.Data().size(), 19u + 1 + 2 + 4 + 8 + 8);
  EXPECT_EQ(Prefix(writer.Data(), expectedHead.size()), expectedHead);

  ArchiveReader reader(writer.TakeData());
  EXPECT_TRUE(writer.Data().empty());
  EXPECT_EQ(reader.ReadUInt8(), 0xAB);
  EXPECT_EQ(reader.ReadInt16(), -2);
  EXPECT_EQ(reader.ReadUInt32(), 0x12345678u);
  EXPECT_EQ(reader.ReadFloat(), 1.0f);
  EXPECT_EQ(reader.ReadDouble(), -2.5);
  EXPECT_EQ(reader.ReadInt8(), -128);
  EXPECT_EQ(reader.ReadUInt16(), 0xBEEF);
  EXPECT_EQ(reader.ReadInt32(), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(reader.ReadInt64(), -3);
  EXPECT_EQ(reader.ReadUInt64(), 0x0102030405060708ULL);
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_THROW(reader.ReadUInt8(), ArchiveError);
}

TEST(ArchiveTest, StringPrefixBoundaries) {
  struct Case {
    std::size_t length;
    Bytes prefix;
  };
  const Case cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {300, {0xFF, 0x2C, 0x01}},
      {65533, {0xFF, 0xFD, 0xFF}},
      {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::string text(c.length, 'x');
    if (!text.empty()) text.back() = 'z';
    ArchiveWriter writer;
    writer.WriteString(text);
    writer.WriteUInt8(0x5A);  // whatever follows must start right after the text
    ASSERT_EQ(writer.Data().size(), c.prefix.size() + c.length + 1);
    EXPECT_EQ(Prefix(writer.Data(), c.prefix.size()), c.prefix);
    ArchiveReader reader(writer.TakeData());
    EXPECT_EQ(reader.ReadString(), text);
    EXPECT_EQ(reader.ReadUInt8(), 0x5A);
  }
  // Readers take a longer prefix than needed as well.
  ArchiveReader loose(Bytes{0xFF, 0x02, 0x00, 'o', 'k', 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0, '!'});
  EXPECT_EQ(loose.ReadString(), "ok");
  EXPECT_EQ(loose.ReadString(), "!");
}

TEST(ArchiveTest, SixteenBitTextBecomesEightBit) {
  // Marker 0xFF 0xFFFE, then a prefix counting characters, then UTF-16LE units.
  Bytes bytes = {0xFF, 0xFE, 0xFF, 6};
  for (std::uint16_t unit : {std::uint16_t{'Z'}, std::uint16_t{0xE9}, std::uint16_t{0x20AC},
                             std::uint16_t{0xD83D}, std::uint16_t{0xDE00}, std::uint16_t{0xDC00}}) {
    Put(bytes, unit, 2);
  }
  // Latin-1 stays, the euro sign, the pair (one character) and a lone surrogate become "?".
  ArchiveReader reader(bytes);
  EXPECT_EQ(reader.ReadString(), std::string("Z\xE9?\?\?"));
  EXPECT_TRUE(reader.AtEnd());

  // A long 16-bit text uses the 16-bit prefix after the marker (and 0xFFFE is a length there).
  Bytes longText = {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
  for (int i = 0; i < 300; ++i) Put(longText, 'a' + i % 26, 2);
  Put(longText, 0x7F, 1);
  ArchiveReader longReader(longText);
  const std::string read = longReader.ReadString();
  ASSERT_EQ(read.size(), 300u);
  EXPECT_EQ(read.substr(0, 3), "abc");
  EXPECT_EQ(longReader.ReadUInt8(), 0x7F);

  Bytes dwordText = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 'h', 0, 'i', 0};
  EXPECT_EQ(ArchiveReader(dwordText).ReadString(), "hi");
}

TEST(ArchiveTest, TruncatedInputThrowsAtEveryCut) {
  ArchiveWriter writer;
  writer.WriteString("rdaFileVersion_1.00");
  writer.WriteInt32(1);
  writer.WriteString(std::string(300, 'n'));
  writer.WriteDouble(3.25);
  const Bytes full = writer.TakeData();
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    ArchiveReader reader(Prefix(full, cut));
    bool threw = false;
    std::size_t before = 0;
    try {
      before = reader.Position();
      reader.ReadString();
      before = reader.Position();
      reader.ReadInt32();
      before = reader.Position();
      reader.ReadString();
      before = reader.Position();
      reader.ReadDouble();
    } catch (const ArchiveError&) {
      threw = true;
    }
    EXPECT_TRUE(threw);
    EXPECT_EQ(reader.Position(), before) << "a failed read leaves the position where it was";
  }
}

TEST(ArchiveTest, HugeLengthPrefixesAreRefusedBeforeAllocating) {
  // The lengths claim far more than the input holds; an allocation of that size would abort the
  // sanitizer and fuzz builds, so a clean ArchiveError shows the check comes first.
  const Bytes hostile[] = {
      {0xFE, 'a'},
      {0xFF, 0xFD, 0xFF, 'a'},
      {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF},
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
      {0xFF, 0xFE, 0xFF, 2, 'a', 0},  // two 16-bit characters announced, one present
      {0xFF, 0xFE},
  };
  for (const Bytes& bytes : hostile) {
    ArchiveReader reader(bytes);
    EXPECT_THROW(reader.ReadString(), ArchiveError);
    EXPECT_EQ(reader.Position(), 0u);
  }
  ArchiveReader reader(Bytes{1, 2, 3});
  EXPECT_THROW(reader.ReadBytes(std::numeric_limits<std::size_t>::max()), ArchiveError);
  EXPECT_EQ(reader.ReadBytes(3), (Bytes{1, 2, 3}));
}

// A fresh folder below the test's temporary directory, removed again at the end.
class ArchiveFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::path(::testing::TempDir()) / "archiveXXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::size_t EntryCount() const {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_)) {
      ++count;
    }
    return count;
  }

  std::string ReadBack(const std::filesystem::path& path) const {
    Bytes bytes;
    std::string error;
    if (!ArchiveReader::ReadFile(path, 1 << 20, bytes, error)) return "<" + error + ">";
    return std::string(bytes.begin(), bytes.end());
  }

  std::filesystem::path folder_;
};

TEST_F(ArchiveFileTest, WritesAndReplacesWholeFiles) {
  const auto target = folder_ / "ZEL_UserInterface.dat";
  std::string error;
  ASSERT_TRUE(AtomicFileWriter::Write(target, std::string_view("first"), error)) << error;
  EXPECT_EQ(ReadBack(target), "first");
  ::chmod(target.c_str(), 0640);
  ASSERT_TRUE(AtomicFileWriter::Write(target, std::string_view("second"), error)) << error;
  EXPECT_EQ(ReadBack(target), "second");
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
  EXPECT_EQ(EntryCount(), 1u) << "no temporary file is left";

  ArchiveWriter writer;
  writer.WriteString("ParameterFirmwareFile Version 1.01 ");
  ASSERT_TRUE(AtomicFileWriter::Write(target, writer.Data(), error)) << error;
  Bytes bytes;
  ASSERT_TRUE(ArchiveReader::ReadFile(target, 1024, bytes, error)) << error;
  EXPECT_EQ(ArchiveReader(bytes).ReadString(), "ParameterFirmwareFile Version 1.01 ");
}

TEST_F(ArchiveFileTest, FailedWriteLeavesTheOldFile) {
  const auto target = folder_ / "line.udf";
  std::string error;
  ASSERT_TRUE(AtomicFileWriter::Write(target, std::string_view("old contents"), error));

  // The disk fills up while the new contents are written: simulated with a file size limit.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto savedSignal = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = AtomicFileWriter::Write(target, std::string(5000, 'n'), error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, savedSignal);

  EXPECT_FALSE(written);
  EXPECT_NE(error.find("line.udf"), std::string::npos) << error;
  EXPECT_EQ(ReadBack(target), "old contents");
  EXPECT_EQ(EntryCount(), 1u) << "the temporary file is removed";

  error.clear();
  EXPECT_FALSE(
      AtomicFileWriter::Write(folder_ / "missing" / "x.rda", std::string_view("x"), error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(AtomicFileWriter::Write(folder_, std::string_view("x"), error));
  EXPECT_TRUE(std::filesystem::is_directory(folder_));
  EXPECT_EQ(ReadBack(target), "old contents");
}

TEST_F(ArchiveFileTest, ReadFileRefusesWhatItCannotHold) {
  const auto target = folder_ / "big.rda";
  std::string error;
  ASSERT_TRUE(AtomicFileWriter::Write(target, std::string(100, 'b'), error));
  Bytes bytes = {9};
  EXPECT_FALSE(ArchiveReader::ReadFile(target, 99, bytes, error));
  EXPECT_NE(error.find("larger"), std::string::npos) << error;
  EXPECT_EQ(bytes, Bytes{9}) << "untouched on failure";
  EXPECT_TRUE(ArchiveReader::ReadFile(target, 100, bytes, error));
  EXPECT_EQ(bytes.size(), 100u);
  EXPECT_FALSE(ArchiveReader::ReadFile(folder_ / "none.rda", 100, bytes, error));
  EXPECT_NE(error.find("none.rda"), std::string::npos) << error;
  EXPECT_FALSE(ArchiveReader::ReadFile(folder_, 100, bytes, error));
  EXPECT_FALSE(ArchiveReader::ReadFile("/dev/null", 100, bytes, error)) << "not a regular file";
}

}  // namespace
}  // namespace zel::files
