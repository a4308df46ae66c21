#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/ArchiveWriter.h"
#include "recorder/RdaFile.h"

namespace zel::recorder {
namespace {

namespace fs = std::filesystem;

class RdaFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zel-rda-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::vector<std::uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Put(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  static RecordedData Recording(std::size_t samples, const std::string& name) {
    RecordedData data;
    Channel channel;
    channel.number = 3;
    channel.reserved = -77;
    channel.period = 100;
    channel.name = name;
    for (std::size_t k = 0; k < samples; ++k)
      channel.samples.push_back({static_cast<std::int32_t>(k * 100),
                                 SampleValue::Float(static_cast<float>(k) * 1.25f - 40)});
    data.channels.push_back(channel);
    return data;
  }

  fs::path dir_;
};

TEST_F(RdaFileTest, RecordingSurvivesSaveAndLoadAndLongNamesTakeTheWideLengthPrefix) {
  const std::string longName(300, 'N');
  const RecordedData saved = Recording(256, longName);
  std::string error;
  ASSERT_TRUE(RdaFile::SaveRda(dir_ / "a.rda", saved, error)) << error;

  const std::vector<std::uint8_t> bytes = Bytes(dir_ / "a.rda");
  // Version text (1 + 19 bytes), channel count (4), number (1), reserved (4), period (4), then
  // the name: 0xFF and the 16-bit length 300.
  ASSERT_GT(bytes.size(), 38u);
  EXPECT_EQ(bytes[0], 19);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 20), "rdaFileVersion_1.00");
  EXPECT_EQ(bytes[33], 0xFF);
  EXPECT_EQ(bytes[34] | (bytes[35] << 8), 300);
  // Each sample: time (4), type 4 (2), float (4).
  EXPECT_EQ(bytes.size(), 20u + 4 + 1 + 4 + 4 + 3 + 300 + 4 + 256u * 10);

  RecordedData loaded;
  ASSERT_EQ(RdaFile::LoadRda(dir_ / "a.rda", loaded, error), RdaFile::LoadResult::kOk);
  ASSERT_EQ(loaded.channels.size(), 1u);
  const Channel& channel = loaded.channels[0];
  EXPECT_EQ(channel.number, 3);
  EXPECT_EQ(channel.reserved, -77);
  EXPECT_EQ(channel.period, 100);
  EXPECT_EQ(channel.name, longName);
  EXPECT_EQ(channel.axis, 1);
  ASSERT_EQ(channel.samples.size(), 256u);
  for (std::size_t k = 0; k < 256; ++k) {
    EXPECT_EQ(channel.samples[k].time, saved.channels[0].samples[k].time);
    EXPECT_EQ(channel.samples[k].value.type, variant::kFloat);
    EXPECT_EQ(channel.samples[k].value.number, saved.channels[0].samples[k].value.number);
  }
}

TEST_F(RdaFileTest, WrongVersionAndDamagedFilesLeaveTheRecordingAsItWas) {
  const RecordedData kept = Recording(3, "Kept");
  std::string error;
  ASSERT_TRUE(RdaFile::SaveRda(dir_ / "good.rda", Recording(4, "New"), error));
  const std::vector<std::uint8_t> good = Bytes(dir_ / "good.rda");

  // A later version is refused as well as a changed letter.
  for (std::size_t at : {std::size_t{1}, std::size_t{19}}) {
    std::vector<std::uint8_t> other = good;
    other[at] = other[at] == 'r' ? 'R' : '1';
    Put(dir_ / "other.rda", other);
    RecordedData data = kept;
    EXPECT_EQ(RdaFile::LoadRda(dir_ / "other.rda", data, error), RdaFile::LoadResult::kOldVersion);
    EXPECT_EQ(error, "File Version is too old!");
    EXPECT_EQ(data.channels[0].name, "Kept");
  }

  // Cut at every length: never a crash, never half a recording.
  for (std::size_t length = 0; length < good.size(); ++length) {
    Put(dir_ / "cut.rda", {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)});
    RecordedData data = kept;
    const auto result = RdaFile::LoadRda(dir_ / "cut.rda", data, error);
    EXPECT_TRUE(result == RdaFile::LoadResult::kDamaged ||
                result == RdaFile::LoadResult::kOldVersion)
        << length;
    EXPECT_EQ(data.channels.size(), 1u);
    EXPECT_EQ(data.channels[0].samples.size(), 3u);
  }

  // An embedded object as a value is no sample the tool can read.
  files::ArchiveWriter embedded;
  embedded.WriteString(RdaFile::kVersion);
  embedded.WriteInt32(1);
  embedded.WriteUInt8(1);
  embedded.WriteInt32(0);
  embedded.WriteInt32(100);
  embedded.WriteString("x");
  embedded.WriteInt32(1);
  embedded.WriteInt32(0);
  embedded.WriteUInt16(9);
  embedded.WriteUInt32(0);
  RecordedData data = kept;
  EXPECT_EQ(RdaFile::ParseRda(embedded.TakeData(), data, error), RdaFile::LoadResult::kDamaged);
  EXPECT_EQ(data.channels[0].name, "Kept");

  EXPECT_EQ(RdaFile::LoadRda(dir_ / "missing.rda", data, error), RdaFile::LoadResult::kCannotOpen);
}

TEST_F(RdaFileTest, ReadsEveryStoredValueFormAndSixteenBitNames) {
  files::ArchiveWriter w;
  w.WriteString(RdaFile::kVersion);
  w.WriteInt32(1);
  w.WriteUInt8(2);
  w.WriteInt32(5);
  w.WriteInt32(10);
  // The name as 16-bit characters: 0xFF, 0xFFFE, then its own length prefix.
  w.WriteUInt8(0xFF);
  w.WriteUInt16(0xFFFE);
  w.WriteUInt8(3);
  for (char c : std::string("Ia\xE9")) w.WriteUInt16(static_cast<std::uint8_t>(c));
  const int count = 11;
  w.WriteInt32(count);
  int t = 0;
  auto sample = [&](std::uint16_t type) {
    w.WriteInt32(t);
    t += 10;
    w.WriteUInt16(type);
  };
  sample(2);
  w.WriteInt16(-5);
  sample(3);
  w.WriteInt32(-70000);
  sample(4);
  w.WriteFloat(1.5f);
  sample(5);
  w.WriteDouble(2.25);
  sample(6);
  w.WriteInt64(123456);  // 12.3456
  sample(7);
  w.WriteDouble(4.5);
  sample(8);
  w.WriteUInt32(4);
  w.WriteBytes(std::vector<std::uint8_t>{'4', '2', '.', '5'});
  sample(11);
  w.WriteInt16(-1);
  sample(17);
  w.WriteUInt8(200);
  sample(0x2000 | 3);
  sample(1);
  RecordedData data;
  std::string error;
  ASSERT_EQ(RdaFile::ParseRda(w.Data(), data, error), RdaFile::LoadResult::kOk) << error;
  const Channel& channel = data.channels.at(0);
  EXPECT_EQ(channel.name, "Ia\xE9");
  ASSERT_EQ(channel.samples.size(), static_cast<std::size_t>(count));
  const std::vector<double> numbers{-5, -70000, 1.5, 2.25, 12.3456, 4.5, 42.5, -1, 200};
  for (std::size_t k = 0; k < numbers.size(); ++k)
    EXPECT_DOUBLE_EQ(channel.samples[k].value.number, numbers[k]) << k;
  EXPECT_FALSE(channel.samples[9].value.HasNumber());
  EXPECT_FALSE(channel.samples[10].value.HasNumber());

  // Written back, every value keeps its form: the same bytes but the name, now 8-bit text.
  ASSERT_TRUE(RdaFile::SaveRda(dir_ / "b.rda", data, error));
  RecordedData again;
  ASSERT_EQ(RdaFile::LoadRda(dir_ / "b.rda", again, error), RdaFile::LoadResult::kOk);
  for (std::size_t k = 0; k < channel.samples.size(); ++k) {
    EXPECT_EQ(again.channels[0].samples[k].value.type, channel.samples[k].value.type);
    EXPECT_DOUBLE_EQ(again.channels[0].samples[k].value.number, channel.samples[k].value.number);
  }
  EXPECT_EQ(again.channels[0].samples[6].value.text, "42.5");
}

TEST_F(RdaFileTest, TextExportRoundsHalvesToEvenAndEndsSampleLinesWithCrLf) {
  RecordedData data;
  Channel channel;
  channel.name = "SpeedDetValue";
  for (auto [time, value] : std::vector<std::pair<int, float>>{
           {0, 1234.7f}, {1500, 2.5f}, {3000, 3.5f}, {4500, -2.5f}, {6000, 1e6f}, {7500, -1e6f}})
    channel.samples.push_back({time, SampleValue::Float(value)});
  data.channels.push_back(channel);
  data.channels.push_back(channel);  // only the first channel is exported
  EXPECT_EQ(RdaFile::ExportTextContent(data),
            "Number of Samples = 6\t\n"
            "Time\tSpeedDetValue\t\n"
            "0.000000e+00\t1235\t\r\n"
            "1.500000e-03\t2\t\r\n"
            "3.000000e-03\t4\t\r\n"
            "4.500000e-03\t-2\t\r\n"
            "6.000000e-03\t32767\t\r\n"
            "7.500000e-03\t-32768\t\r\n");
  std::string error;
  ASSERT_TRUE(RdaFile::ExportText(dir_ / "none.txt", RecordedData{}, error));
  EXPECT_TRUE(Bytes(dir_ / "none.txt").empty());

  data.channels[1].name = "Second, \"B\"";
  data.channels[1].samples.resize(1);
  data.channels[1].samples[0].time = 700;
  const std::string csv = RdaFile::ExportCsvContent(data);
  EXPECT_EQ(csv.substr(0, csv.find("0.001500")),
            "Time [s],SpeedDetValue,\"Second, \"\"B\"\"\"\r\n"
            "0.000000,1234.69995,\r\n"
            "0.000700,,1234.69995\r\n");
}

// A file read from disk may hold its samples in any order and very many channels: the CSV still
// has one row per time in order, and is written as it goes, never as a table of every channel
// at every time in memory (20000 channels of one sample each were 6 GB).
TEST_F(RdaFileTest, TheCsvExportMergesTheChannelsByTimeAndStreamsThem) {
  RecordedData data;
  Channel a;
  a.name = "A";
  SampleValue empty;
  empty.type = 0;
  a.samples = {{3000, SampleValue::Float(1)},
               {0, SampleValue::Float(2)},
               {3000, empty},
               {1500, SampleValue::Float(4)},
               {0, SampleValue::Float(5)}};
  Channel b;
  b.name = "B";
  b.samples = {{1500, SampleValue::Float(7)}};
  data.channels = {a, b};
  const std::string expected =
      "Time [s],A,B\r\n"
      "0.000000,5,\r\n"
      "0.001500,4,7\r\n"
      "0.003000,1,\r\n";
  EXPECT_EQ(RdaFile::ExportCsvContent(data), expected);
  std::string error;
  ASSERT_TRUE(RdaFile::ExportCsv(dir_ / "merged.csv", data, error)) << error;
  const std::vector<std::uint8_t> bytes = Bytes(dir_ / "merged.csv");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

  // In a child, whose peak memory is its own: 5000 channels of one sample each at their own
  // times are 25 million cells, of which no table may be held.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    RecordedData wide;
    wide.channels.resize(5000);
    for (std::size_t c = 0; c < wide.channels.size(); ++c)
      wide.channels[c].samples = {{static_cast<std::int32_t>(c), SampleValue::Float(1)}};
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    std::string why;
    const bool written = RdaFile::ExportCsv(dir_ / "wide.csv", wide, why);
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    const long grownKb = after.ru_maxrss - before.ru_maxrss;
    ::_exit(written && grownKb < 64 * 1024 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_GT(fs::file_size(dir_ / "wide.csv"), 25'000'000u);
}

}  // namespace
}  // namespace zel::recorder
