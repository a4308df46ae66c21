#include "parameters/CParameterFile.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "files/AtomicFileWriter.h"
#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"

namespace zel::parameters {

namespace {

// A parameter file of 256 entries is a few kilobytes; anything near this is not one.
constexpr std::size_t kMaxFileBytes = 16u * 1024 * 1024;
// The smallest entry: three empty strings and the width word.
constexpr std::size_t kMinEntryBytes = 5;
constexpr std::size_t kWrapWidth = 58;
constexpr const char* kIndent = "                ";  // 16 blanks under the labels

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

// Breaks text into lines of at most kWrapWidth characters after a separator: a separator that
// falls right at the break is dropped, otherwise the part after the last separator on the line
// goes to the next one; a line without separator is cut.
std::vector<std::string> Wrap(std::string rest, const std::string& separators, bool dropAtBreak) {
  std::vector<std::string> lines;
  while (rest.size() > kWrapWidth) {
    std::string line = rest.substr(0, kWrapWidth);
    rest.erase(0, kWrapWidth);
    if (separators.find(rest.front()) != std::string::npos) {
      if (dropAtBreak) rest.erase(0, 1);
    } else {
      const std::size_t last = line.find_last_of(separators);
      if (last != std::string::npos) {
        rest.insert(0, line.substr(last + 1));
        line.erase(last + 1);
      }
    }
    lines.push_back(line);
  }
  lines.push_back(rest);
  return lines;
}

// Paths break after a directory separator; the protocol was made for "\" and a Linux path has
// "/", so both count.
std::vector<std::string> WrapDirectory(const std::string& text) {
  return Wrap(text, "\\/", true);
}

std::vector<std::string> WrapComment(const std::string& text) {
  return Wrap(text, " ", true);
}

void AddLabelled(std::vector<std::string>& lines, const std::string& label,
                 const std::vector<std::string>& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i) lines.push_back((i ? kIndent : label) + parts[i]);
}

std::string Hex4(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%.4X", value);
  return text;
}

}  // namespace

std::string CParameterFile::VersionText(const DeviceIdentity& identity) {
  return "ZEL_" + Hex4(identity.softwareVersion) + "h_" + Hex4(identity.hardwareVersion) + "h";
}

std::string CParameterFile::ApplicationText(const DeviceIdentity& identity) {
  return "     AppVersion: " + Hex4(identity.applicationVersion) +
         "h     AppNumber: " + Hex4(identity.applicationNumber) + "h";
}

std::string CParameterFile::CompatibleVersion(const std::string& version) {
  std::string text = version;
  if (text.size() > 12) text.erase(12, 2);
  return text;
}

std::string CParameterFile::ModuleFileName(const std::string& chosen, int module) {
  const std::size_t cut = chosen.size() >= 4 ? chosen.size() - 4 : 0;
  return chosen.substr(0, cut) + "_ModuleId_" + std::to_string(module) + chosen.substr(cut);
}

std::string CParameterFile::TextFileName(const std::string& path) {
  const std::size_t cut = path.size() >= 3 ? path.size() - 3 : 0;
  return path.substr(0, cut) + "txt";
}

std::string CParameterFile::Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M", &local);
  return text;
}

std::string CParameterFile::PrintDate() {
  static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::snprintf(text, sizeof text, "%i. %s %i %.2i:%.2i", local.tm_mday, kMonths[local.tm_mon],
                local.tm_year + 1900, local.tm_hour, local.tm_min);
  return text;
}

void CParameterFile::SetUploadHeader(const std::string& path, const DeviceIdentity& identity,
                                     const std::string& visumText, const std::string& commentText) {
  directory = path;
  date = Now();
  version = VersionText(identity);
  application = ApplicationText(identity);
  visum = visumText;
  comment = commentText;
}

bool CParameterFile::ReadFromDevice(const CParameterTable& table, ParameterDevice& device,
                                    const std::function<bool()>& stop) {
  std::uint16_t id = 0;
  if (!device.ReadModuleId(id)) return false;
  std::vector<ParameterFileEntry> read;
  const int count = table.SystemCount();
  for (int i = 0; i < count; ++i) {
    const auto number = static_cast<std::int16_t>(i);
    ParameterFileEntry entry;
    entry.name = table.Name(number);
    std::int32_t defaultValue = 0, min = 0, max = 0;
    int service = 0;
    table.GetLimits(number, defaultValue, min, max, service);
    entry.defaultText = std::to_string(defaultValue);
    entry.width = static_cast<std::uint16_t>(table.Width(number));
    std::uint32_t value = 0;
    if ((stop && stop()) || !device.ReadTempParam(number, entry.width, value)) return false;
    entry.value = NumberText::FormatHex16(static_cast<std::uint16_t>(value));
    read.push_back(std::move(entry));
  }
  moduleId = id;
  entries = std::move(read);
  return true;
}

std::vector<std::uint8_t> CParameterFile::Serialize() const {
  files::ArchiveWriter out;
  out.WriteString(kSignature);
  out.WriteString(directory);
  out.WriteString(date);
  out.WriteString(version);
  out.WriteString(application);
  out.WriteString(visum);
  out.WriteString(comment);
  out.WriteString(NumberText::FormatHex16(moduleId));
  out.WriteInt32(static_cast<std::int32_t>(entries.size()));
  for (const auto& entry : entries) {
    out.WriteString(entry.name);
    out.WriteString(entry.defaultText);
    out.WriteUInt16(entry.width);
    out.WriteString(entry.value);
  }
  return out.TakeData();
}

CParameterFile::ReadResult CParameterFile::Parse(const std::vector<std::uint8_t>& bytes) {
  try {
    files::ArchiveReader in(bytes);
    if (in.ReadString() != kSignature) return ReadResult::kTooOld;
    CParameterFile file;
    file.directory = in.ReadString();
    file.date = in.ReadString();
    file.version = in.ReadString();
    file.application = in.ReadString();
    file.visum = in.ReadString();
    file.comment = in.ReadString();
    std::uint16_t id = 0;
    NumberText::ParseHex16(in.ReadString(), id);
    file.moduleId = id;
    const std::int32_t count = in.ReadInt32();
    if (count < 0 || static_cast<std::size_t>(count) > in.Remaining() / kMinEntryBytes)
      return ReadResult::kMalformed;
    file.entries.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
      ParameterFileEntry entry;
      entry.name = in.ReadString();
      entry.defaultText = in.ReadString();
      entry.width = in.ReadUInt16();
      entry.value = in.ReadString();
      file.entries.push_back(std::move(entry));
    }
    *this = std::move(file);
    return ReadResult::kOk;
  } catch (const files::ArchiveError&) {
    return ReadResult::kMalformed;
  }
}

CParameterFile::ReadResult CParameterFile::Read(const std::filesystem::path& path,
                                                std::string& errorText) {
  std::vector<std::uint8_t> bytes;
  if (!files::ArchiveReader::ReadFile(path, kMaxFileBytes, bytes, errorText))
    return ReadResult::kUnreadable;
  const ReadResult result = Parse(bytes);
  if (result == ReadResult::kTooOld)
    errorText = kTooOld;
  else if (result == ReadResult::kMalformed)
    errorText = "The parameter file " + path.string() + " is damaged or truncated.";
  return result;
}

bool CParameterFile::Write(const std::filesystem::path& path, std::string& errorText) const {
  return files::AtomicFileWriter::Write(path, Serialize(), errorText);
}

bool CParameterFile::Value(std::size_t i, std::uint16_t& word) const {
  return i < entries.size() && !entries[i].value.empty() &&
         NumberText::ParseHex16(entries[i].value, word) == NumberTextError::kNone;
}

std::vector<std::string> CParameterFile::ProtocolHeader(bool printed) const {
  std::vector<std::string> lines;
  AddLabelled(lines, printed ? "Directory:      " : "Directory     : ",
              WrapDirectory(directory + " (or *.txt)"));
  lines.push_back((printed ? "Date:           " : "Date          : ") + date);
  lines.push_back((printed ? "Version:        " : "Version       : ") + version + application);
  lines.push_back((printed ? "Visum:          " : "Visum         : ") + visum);
  AddLabelled(lines, printed ? "Comment:        " : "Comment       : ", WrapComment(comment));
  return lines;
}

std::string CParameterFile::TextProtocol() const {
  std::vector<std::string> lines{"", "System Parameter Upload Version 1.01      Orvane",
                                 "Parameter of Module " + std::to_string(moduleId),
                                 std::string(74, '-'), ""};
  for (auto& line : ProtocolHeader(false)) lines.push_back(std::move(line));
  lines.push_back(std::string(74, '-'));
  lines.push_back("Number:   System Parameter:      Value[Dec]:    Value[Hex]:    ");
  lines.push_back("");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::uint16_t word = 0;
    NumberText::ParseHex16(entries[i].value, word);
    lines.push_back(Pad(std::to_string(i), 10) + Pad(entries[i].name, 23) +
                    Pad(std::to_string(word), 15) + Pad(entries[i].value, 15));
  }
  std::string text;
  for (const auto& line : lines) text += line + " \r\n";
  return text;
}

ui::PrintJob CParameterFile::PrintProtocol(int linesPerPage, const std::string& printedAt) const {
  ui::PrintJob job;
  job.title = "ZelUpload Protocol";
  job.boldTail = "Orvane";
  const std::string rule(152, '-');
  std::vector<std::string> body{
      "System Parameter Upload Version 1.01" + std::string(66, ' ') + "Orvane",
      "Parameter of Module " + std::to_string(moduleId), rule};
  for (auto& line : ProtocolHeader(true)) body.push_back(std::move(line));
  body.push_back(rule);
  body.push_back("Number:     System Parameter:           Value [Dec]:     Value [Hex]:");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::uint16_t word = 0;
    NumberText::ParseHex16(entries[i].value, word);
    body.push_back(Pad(std::to_string(i), 12) + Pad(entries[i].name, 28) +
                   Pad(std::to_string(word), 17) + entries[i].value);
  }
  // Two footer lines close every page.
  const std::size_t room = static_cast<std::size_t>(linesPerPage > 3 ? linesPerPage - 2 : 1);
  for (std::size_t start = 0; start < body.size(); start += room) {
    std::vector<std::string> page(
        body.begin() + static_cast<std::ptrdiff_t>(start),
        body.begin() + static_cast<std::ptrdiff_t>(std::min(body.size(), start + room)));
    page.push_back(rule);
    page.push_back(printedAt + "          Page " + std::to_string(job.pages.size() + 1));
    job.pages.push_back(std::move(page));
  }
  return job;
}

}  // namespace zel::parameters
