#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "files/ArchiveWriter.h"
#include "files/AtomicFileWriter.h"
#include "parameters/CParameterFile.h"
#include "parameters/CParameterTable.h"
#include "parameters/ParameterFileOutput.h"
#include "support/FakeParameterDevice.h"
#include "ui/ScriptedHost.h"

namespace zel::parameters {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

CParameterFile Uploaded(const CParameterTable& table, test::FakeParameterDevice& device) {
  CParameterFile file;
  EXPECT_TRUE(file.ReadFromDevice(table, device));
  file.directory = "/srv/zel/line.udf";
  file.date = "09.12.2026 08:15";
  file.version = CParameterFile::VersionText(device.identity);
  file.application = CParameterFile::ApplicationText(device.identity);
  file.visum = "KM";
  file.comment = "after service";
  return file;
}

TEST(ParameterFileTest, WrittenFileReadsBackIdenticallyWithItsEntriesByPosition) {
  CParameterTable table;
  test::FakeParameterDevice device;
  device.values[30] = 7;
  const CParameterFile file = Uploaded(table, device);
  ASSERT_EQ(file.entries.size(), 42u);
  EXPECT_EQ(file.moduleId, 7);
  EXPECT_EQ(file.entries[17].name, "MaxSpeed");
  EXPECT_EQ(file.entries[17].defaultText, "25000");
  EXPECT_EQ(file.entries[17].value, "0x0075");  // 117
  EXPECT_EQ(file.version, "ZEL_1040h_0123h");
  EXPECT_EQ(file.application, "     AppVersion: 0100h     AppNumber: 0001h");

  const auto bytes = file.Serialize();
  // The signature keeps its trailing blank; the module ID travels as its hexadecimal text.
  const std::string head(bytes.begin(), bytes.begin() + 36);
  EXPECT_EQ(head, std::string("\x23") + "ParameterFirmwareFile Version 1.01 ");
  CParameterFile read;
  ASSERT_EQ(read.Parse(bytes), CParameterFile::ReadResult::kOk);
  EXPECT_EQ(read, file);

  const auto dir =
      std::filesystem::temp_directory_path() / ("zel-udf-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string error;
  ASSERT_TRUE(file.Write(dir / "line.udf", error)) << error;
  CParameterFile fromDisk;
  ASSERT_EQ(fromDisk.Read(dir / "line.udf", error), CParameterFile::ReadResult::kOk) << error;
  EXPECT_EQ(fromDisk, file);
  EXPECT_EQ(fromDisk.Read(dir / "absent.udf", error), CParameterFile::ReadResult::kUnreadable);
  EXPECT_EQ(fromDisk, file);
  std::filesystem::remove_all(dir);
}

TEST(ParameterFileTest, OldSignatureAndEveryTruncationAreRefusedAndChangeNothing) {
  CParameterTable table;
  test::FakeParameterDevice device;
  const CParameterFile file = Uploaded(table, device);
  CParameterFile target = file;
  target.comment = "kept";
  const CParameterFile before = target;

  files::ArchiveWriter old;
  old.WriteString("ParameterFirmwareFile Version 1.01");
  EXPECT_EQ(target.Parse(old.Data()), CParameterFile::ReadResult::kTooOld);
  EXPECT_EQ(target, before);

  const auto bytes = file.Serialize();
  for (size_t length = 0; length < bytes.size(); ++length) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
    const auto result = target.Parse(cut);
    EXPECT_NE(result, CParameterFile::ReadResult::kOk) << "length " << length;
    EXPECT_EQ(target, before) << "length " << length;
  }
  // An entry count no file could hold is refused before anything is reserved.
  files::ArchiveWriter huge;
  huge.WriteString(CParameterFile::kSignature);
  for (int i = 0; i < 7; ++i) huge.WriteString("");
  huge.WriteInt32(0x7FFFFFFF);
  EXPECT_EQ(target.Parse(huge.Data()), CParameterFile::ReadResult::kMalformed);
}

TEST(ParameterFileTest, ThirtyTwoBitParameterKeepsWidthOneAndItsLowSixteenBits) {
  CParameterTable table;
  table.Clear();
  table.AddSystem(0, 0, 2, "Baudrate", "baud", 3, 0, 7, 1, 0);
  table.AddSystem(1, 1, 2, "Position", "qc", -5, -100000, 100000, 1, 0);
  test::FakeParameterDevice device;
  device.values[1] = 0x12345678;
  CParameterFile file;
  ASSERT_TRUE(file.ReadFromDevice(table, device));
  ASSERT_EQ(file.entries.size(), 2u);
  EXPECT_EQ(file.entries[1].width, 1);
  EXPECT_EQ(file.entries[1].value, "0x5678");
  EXPECT_EQ(file.entries[1].defaultText, "-5");
}

TEST(ParameterFileTest, TextProtocolHasItsFixedColumnsAndWrapsCommentAndDirectory) {
  CParameterTable table;
  test::FakeParameterDevice device;
  device.values[30] = 5;
  device.values[0] = 0xFFFF;
  CParameterFile file = Uploaded(table, device);
  file.comment = std::string(130, 'c');
  file.directory = "/srv/zel/" + std::string(55, 'd') + "/line.udf";
  const auto lines = Lines(file.TextProtocol());
  ASSERT_GE(lines.size(), 20u);
  EXPECT_EQ(lines[0], " ");
  EXPECT_EQ(lines[1], "System Parameter Upload Version 1.01      Orvane ");
  EXPECT_EQ(lines[2], "Parameter of Module 5 ");
  EXPECT_EQ(lines[3], std::string(74, '-') + " ");
  // The directory breaks after its separator, the rest under the label.
  EXPECT_EQ(lines[5], "Directory     : /srv/zel/ ");
  EXPECT_EQ(lines[6], "                " + std::string(55, 'd') + "/ ");
  EXPECT_EQ(lines[7], "                line.udf (or *.txt) ");
  EXPECT_EQ(lines[8], "Date          : 09.12.2026 08:15 ");
  EXPECT_EQ(lines[9],
            "Version       : ZEL_1040h_0123h     AppVersion: 0100h     AppNumber: 0001h ");
  EXPECT_EQ(lines[10], "Visum         : KM ");
  // A comment without blanks is cut at 58 and 116 characters.
  EXPECT_EQ(lines[11], "Comment       : " + std::string(58, 'c') + " ");
  EXPECT_EQ(lines[12], "                " + std::string(58, 'c') + " ");
  EXPECT_EQ(lines[13], "                " + std::string(14, 'c') + " ");
  EXPECT_EQ(lines[15], "Number:   System Parameter:      Value[Dec]:    Value[Hex]:     ");
  EXPECT_EQ(lines[17], "0         Baudrate               65535          0xFFFF          ");
  EXPECT_EQ(lines.size(), 17u + 42u);

  file.comment = std::string(55, 'a') + " bb " + std::string(10, 'e');
  const auto wrapped = Lines(file.TextProtocol());
  EXPECT_EQ(wrapped[11], "Comment       : " + std::string(55, 'a') + " bb ");
  EXPECT_EQ(wrapped[12], "                " + std::string(10, 'e') + " ");

  EXPECT_EQ(CParameterFile::TextFileName("/srv/line.udf"), "/srv/line.txt");
  EXPECT_EQ(CParameterFile::ModuleFileName("/srv/line.udf", 5), "/srv/line_ModuleId_5.udf");
}

TEST(ParameterFileTest, PrintedProtocolClosesEveryPageWithItsFooter) {
  CParameterTable table;
  test::FakeParameterDevice device;
  const CParameterFile file = Uploaded(table, device);
  const ui::PrintJob job = file.PrintProtocol(30, "9. December 2026 08:15");
  EXPECT_EQ(job.title, "ZelUpload Protocol");
  EXPECT_EQ(job.fontName, "MS Serif");
  ASSERT_EQ(job.pages.size(), 2u);  // 10 header lines and 42 rows, 28 to a page
  EXPECT_EQ(job.pages[0][0],
            "System Parameter Upload Version 1.01" + std::string(66, ' ') + "Orvane");
  for (size_t p = 0; p < job.pages.size(); ++p) {
    const auto& page = job.pages[p];
    EXPECT_EQ(page[page.size() - 2], std::string(152, '-'));
    EXPECT_NE(page.back().find("Page " + std::to_string(p + 1)), std::string::npos);
  }
  EXPECT_NE(job.pages[1][job.pages[1].size() - 3].find("CAN_Config"), std::string::npos);
}

}  // namespace
}  // namespace zel::parameters

namespace zel::parameters {
namespace {

TEST(ParameterFileOutputTest, SavedAndPrintedProtocolsSayTheirOutcomeAndRefuseAnOldFile) {
  ui::ScriptedHost host;
  const auto dir =
      std::filesystem::temp_directory_path() / ("zel-udf-out-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  CParameterTable table;
  test::FakeParameterDevice device;
  std::string error;
  ASSERT_TRUE(Uploaded(table, device).Write(dir / "line.udf", error)) << error;

  EXPECT_TRUE(ParameterFileOutput::SaveAsText((dir / "line.udf").string()));
  EXPECT_TRUE(std::filesystem::exists(dir / "line.txt"));
  EXPECT_TRUE(ParameterFileOutput::Print((dir / "line.udf").string()));
  ASSERT_EQ(host.PrintJobs().size(), 1u);
  EXPECT_EQ(host.PrintJobs()[0].boldTail, "Orvane");
  host.SetPrintResult(false);
  EXPECT_FALSE(ParameterFileOutput::Print((dir / "line.udf").string()));
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"Data saved as Textfile!", "Data printed!",
                                                       "Failed printing data!"}));

  files::ArchiveWriter old;
  old.WriteString("ParameterFirmwareFile Version 1.00 ");
  ASSERT_TRUE(files::AtomicFileWriter::Write(dir / "old.udf", old.Data(), error));
  EXPECT_FALSE(ParameterFileOutput::SaveAsText((dir / "old.udf").string()));
  EXPECT_EQ(host.LastMessage(), "File version is to old!");
  EXPECT_FALSE(std::filesystem::exists(dir / "old.txt"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zel::parameters
