#include "firmware/FirmwarePackage.h"

#include <mutex>
#include <utility>

#include "firmware/PackageDate.h"
#include "parameters/CIniReader.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::firmware {

using parameters::CIniReader;
using parameters::NumberText;
using parameters::NumberTextError;

namespace {

// Packages nest a few storages deep; anything deeper is a damaged or hostile file, and the
// search must not recurse without bound.
constexpr int kMaxStorageDepth = 32;

std::mutex& ChooserMutex() {
  static std::mutex mutex;
  return mutex;
}
FirmwarePackage::VersionChooser& Chooser() {
  static FirmwarePackage::VersionChooser chooser;
  return chooser;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ReadText(const CIniReader& reader, const char* key, std::string& value) {
  return reader.ReadKey(key, value);
}

bool ReadHexWord(const CIniReader& reader, const char* key, std::uint16_t& value) {
  std::string text;
  return reader.ReadKey(key, text) && NumberText::ParseHex16(text, value) == NumberTextError::kNone;
}

// "BinaryFile0", "BinaryFile1", ... up to the first missing index.
std::vector<std::string> ReadList(CIniReader& reader, const char* section, const char* key) {
  std::vector<std::string> list;
  if (!reader.FindSection(section)) return list;
  for (int i = 0;; ++i) {
    std::string value;
    if (!reader.ReadKey(std::string(key) + std::to_string(i), value)) break;
    list.push_back(std::move(value));
  }
  return list;
}

std::string ToText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

void FirmwarePackage::SetVersionChooser(VersionChooser chooser) {
  std::lock_guard lock(ChooserMutex());
  Chooser() = std::move(chooser);
}

bool FirmwarePackage::Open(const std::string& path) {
  Close();
  if (!file_.Open(path)) return false;
  path_ = path;
  return true;
}

bool FirmwarePackage::OpenImage(std::span<const std::uint8_t> image, const std::string& path) {
  Close();
  if (!file_.OpenMemory(image)) return false;
  path_ = path;
  return true;
}

bool FirmwarePackage::Close() {
  if (!file_.IsOpen()) return false;
  file_.Close();
  return true;
}

std::vector<std::string> FirmwarePackage::SplitStoragePath(const std::string& path) {
  std::string text = path;
  if (text.empty() || text.back() != '\\') text += '\\';
  if (text.rfind("Root\\", 0) == 0) text.erase(0, 5);
  std::vector<std::string> components;
  std::string component;
  for (char c : text) {
    if (c == '\\') {
      if (!component.empty()) components.push_back(std::move(component));
      component.clear();
    } else if (c != '!' && c != '/' && c != ':') {
      component += c;
    }
  }
  return components;
}

bool FirmwarePackage::FindStreams(const std::string& start, const std::string& name,
                                  std::vector<std::string>& list) const {
  list.clear();
  if (!IsOpen()) return false;
  return FindStreamsBelow(SplitStoragePath(start), start, name, 0, list);
}

bool FirmwarePackage::FindStreamsBelow(const std::vector<std::string>& storage,
                                       const std::string& path, const std::string& name, int depth,
                                       std::vector<std::string>& list) const {
  if (depth > kMaxStorageDepth) return false;
  std::vector<CompoundElement> elements;
  if (!file_.List(storage, elements)) return false;
  for (const CompoundElement& element : elements) {
    if (element.isStorage) {
      std::vector<std::string> below = storage;
      below.push_back(element.name);
      if (!FindStreamsBelow(below, path + "\\" + element.name, name, depth + 1, list)) return false;
    } else if (element.name.size() == name.size() &&
               std::equal(name.begin(), name.end(), element.name.begin(),
                          [](char a, char b) { return Lower(a) == Lower(b); })) {
      list.push_back(path + "\\" + element.name);
    }
  }
  return true;
}

bool FirmwarePackage::ReadEntry(const std::string& storagePath, const std::string& name,
                                std::vector<std::uint8_t>& buffer) const {
  buffer.clear();
  if (!IsOpen()) return false;
  return file_.ReadStream(SplitStoragePath(storagePath), name, buffer);
}

bool FirmwarePackage::ListVersions(std::vector<std::string>& directories) const {
  directories.clear();
  std::vector<std::string> found;
  if (!FindStreams("", "ZelCode.out", found)) return false;
  for (std::string path : found) {
    if (!path.empty() && path.front() == '\\') path.erase(0, 1);
    directories.push_back(path.substr(0, path.find('\\')));
  }
  return true;
}

bool FirmwarePackage::ChooseVersion(std::string& directory, bool showErrors) {
  if (!IsOpen()) {
    if (showErrors) ui::CurrentHost().ShowMessage("Error opening firmware file!");
    return false;
  }
  std::vector<std::string> versions;
  if (!ListVersions(versions) || versions.empty()) return false;
  if (versions.size() == 1) {
    directory = versions.front();
    return true;
  }
  const std::string path = path_;
  Close();
  VersionChooser chooser;
  {
    std::lock_guard lock(ChooserMutex());
    chooser = Chooser();
  }
  std::string chosen;
  if (!chooser || !chooser(path, chosen)) return false;
  if (!Open(path)) return false;
  directory = chosen;
  return true;
}

bool FirmwarePackage::ParseSummary(std::span<const std::uint8_t> text, FirmwareInfo& info) {
  CIniReader reader(text);
  FirmwareInfo read = info;
  std::string date;
  if (!reader.FindSection("Header") || !ReadText(reader, "Date", date) ||
      !PackageDate::Parse(date, read.date) || !ReadText(reader, "Visum", read.visum) ||
      !ReadText(reader, "Meaning", read.meaning))
    return false;
  if (!reader.FindSection("Version") ||
      !ReadHexWord(reader, "SoftwareVersion", read.softwareVersion) ||
      !ReadHexWord(reader, "HardwareVersion", read.hardwareVersion) ||
      !ReadHexWord(reader, "ApplicationNumber", read.applicationNumber) ||
      !ReadHexWord(reader, "ApplicationVersion", read.applicationVersion) ||
      !ReadText(reader, "SampleNumber", read.sampleNumber))
    return false;
  read.binaryFiles = ReadList(reader, "BinaryFiles", "BinaryFile");
  read.parameterFiles = ReadList(reader, "ParameterFiles", "ParameterFile");
  read.docFiles = ReadList(reader, "DocFiles", "DocFile");
  read.variousFiles = ReadList(reader, "VariousFiles", "VariousFile");
  info = std::move(read);
  return true;
}

bool FirmwarePackage::ReadInfo(const std::string& directory, FirmwareInfo& info) const {
  if (!IsOpen()) return false;
  std::vector<std::string> found;
  if (!FindStreams(directory, "Summary.txt", found) || found.size() != 1) return false;
  const std::string& path = found.front();
  const std::string storage = path.substr(0, path.rfind('\\'));
  std::vector<std::uint8_t> text;
  if (!ReadEntry(storage, "Summary.txt", text)) return false;
  FirmwareInfo read;
  read.packagePath = path_;
  read.packageDirectory = directory;
  if (!ParseSummary(text, read)) return false;
  info = std::move(read);
  return true;
}

bool FirmwarePackage::ListHasEnding(const std::vector<std::string>& list,
                                    const std::string& required) {
  for (const std::string& entry : list) {
    if (entry.size() < required.size()) continue;
    const std::size_t offset = entry.size() - required.size();
    bool same = true;
    for (std::size_t i = 0; i < required.size() && same; ++i)
      same = Lower(entry[offset + i]) == Lower(required[i]);
    if (same) return true;
  }
  return false;
}

bool FirmwarePackage::CheckComplete(const std::string& directory, bool showErrors) const {
  FirmwareInfo info;
  if (!ReadInfo(directory, info)) {
    if (showErrors) ui::CurrentHost().ShowMessage("Error reading firmware info!");
    return false;
  }
  struct Requirement {
    const std::vector<std::string>* list;
    const char* name;
    const char* message;
  };
  const Requirement requirements[] = {
      {&info.binaryFiles, "ZelCode.out", "The binary file 'ZelCode.out' is missing!"},
      {&info.binaryFiles, "FlshCtrl.out", "The binary file 'FlshCtrl.out' is missing!"},
      {&info.binaryFiles, "TiBoot.out", "The binary file 'TiBoot.out' is missing!"},
      {&info.parameterFiles, "SystemParameter.ini",
       "The parameter file 'SystemParameter.ini' is missing!"},
      {&info.parameterFiles, "StatusParameter.ini",
       "The parameter file 'StatusParameter.ini' is missing!"},
      {&info.docFiles, "ReadMe.txt", "The documentation file 'ReadMe.txt' is missing!"},
  };
  const char* missing = nullptr;
  {
    ui::WaitCursor wait;
    for (const Requirement& requirement : requirements) {
      if (!ListHasEnding(*requirement.list, requirement.name)) {
        missing = requirement.message;
        break;
      }
    }
  }
  if (missing == nullptr) return true;
  ui::CurrentHost().ShowMessage(missing);
  return false;
}

void FirmwarePackage::ShowEntry(const std::string& storagePath, const std::string& name,
                                const std::string& caption) const {
  std::vector<std::uint8_t> text;
  if (!ReadEntry(storagePath, name, text)) {
    // The summary has always been reported with the read-me's message.
    ui::CurrentHost().ShowMessage("The file 'ReadMe.txt' does not exist!");
    return;
  }
  ui::CurrentHost().ShowText("Content of " + (caption.empty() ? "UnknownFile" : caption),
                             ToText(text));
}

void FirmwarePackage::ShowSummary(const std::string& directory) const {
  if (!IsOpen()) return;
  ShowEntry(directory, "Summary.txt", "Header");
}

void FirmwarePackage::ShowReadMe(const std::string& directory) const {
  if (!IsOpen()) return;
  ShowEntry(directory + "\\DocFiles\\", "ReadMe.txt", "ReadMe.txt");
}

bool FirmwarePackage::FormatDefaults(std::span<const std::uint8_t> file, std::string& formatted) {
  formatted.clear();
  CIniReader reader(file);
  std::string value;
  std::uint16_t number = 0;
  if (!reader.FindSection("Parameter*") || !reader.ReadKey("Number", value) ||
      NumberText::ParseUInt16(value, number) != NumberTextError::kNone)
    return false;
  std::string text;
  long current = number;
  bool first = true;
  for (;;) {
    std::uint16_t read = 0;
    if (!reader.FindSection("Parameter" + std::to_string(current)) ||
        !reader.ReadKey("Number", value) ||
        NumberText::ParseUInt16(value, read) != NumberTextError::kNone)
      break;
    if (first) {
      text += "SystemParameter Default Values\r\n";
      text += std::string(84, '-') + "\r\n";
      first = false;
    }
    std::string name, meaning, defaultValue, unit;
    if (!reader.ReadKey("Name", name) || !reader.ReadKey("Meaning", meaning) ||
        !reader.ReadKey("Default", defaultValue) || !reader.ReadKey("Unit", unit))
      return false;
    text += "Parameter " + std::to_string(read) + "\r\n";
    text += name + " = " + defaultValue + " " + unit + "\r\n";
    text += "(" + meaning + ")\r\n";
    text += "\r\n";
    // The next section is named after the "Number" just read. A file whose numbers do not
    // climb would send this walk round in a circle for ever; stop where it stops climbing.
    const long next = static_cast<long>(read) + 1;
    if (next <= current) break;
    current = next;
  }
  formatted = std::move(text);
  return true;
}

void FirmwarePackage::ShowDefaults(const std::string& directory, bool formatted) const {
  if (!IsOpen()) return;
  std::vector<std::uint8_t> file;
  if (!ReadEntry(directory + "\\Parameter\\", "SystemParameter.ini", file)) {
    ui::CurrentHost().ShowMessage("The file 'SystemParameter.ini' does not exist!");
    return;
  }
  if (!formatted) {
    ui::CurrentHost().ShowText("Content of SystemParameter.ini", ToText(file));
    return;
  }
  std::string text;
  bool show = false;
  {
    ui::WaitCursor wait;
    show = FormatDefaults(file, text);
  }
  if (show) ui::CurrentHost().ShowText("Content of SystemParameter", text);
}

bool FirmwarePackage::ReadVersionInfos(const std::string& packagePath,
                                       std::vector<FirmwareInfo>& infos) {
  infos.clear();
  FirmwarePackage package;
  if (!package.Open(packagePath)) return false;
  std::vector<std::string> versions;
  if (!package.ListVersions(versions)) return false;
  for (const std::string& directory : versions) {
    FirmwareInfo info;
    if (package.ReadInfo(directory, info)) infos.push_back(std::move(info));
  }
  return true;
}

bool FirmwarePackage::ReadReadMe(const std::string& packagePath, const std::string& directory,
                                 std::string& text) {
  FirmwarePackage package;
  std::vector<std::uint8_t> bytes;
  if (!package.Open(packagePath) ||
      !package.ReadEntry(directory + "\\DocFiles\\", "ReadMe.txt", bytes))
    return false;
  text = ToText(bytes);
  return true;
}

}  // namespace zel::firmware
