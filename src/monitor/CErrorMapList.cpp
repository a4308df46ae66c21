#include "monitor/CErrorMapList.h"

#include <utility>

#include "firmware/FirmwarePackage.h"
#include "parameters/CIniReader.h"

namespace zel::monitor {

namespace {

bool IsErrorMapName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower.find("ini") != std::string::npos && lower.find("errormap") != std::string::npos;
}

}  // namespace

bool CErrorMapList::LoadErrorMaps(const std::string& packagePath,
                                  const std::string& packageDirectory) {
  std::vector<CErrorMap> maps;
  firmware::FirmwarePackage package;
  std::vector<std::uint8_t> summary;
  if (!package.Open(packagePath) || !package.ReadEntry(packageDirectory, "Summary.txt", summary)) {
    SetMaps({});
    return false;
  }
  parameters::CIniReader reader(summary);
  std::vector<std::string> files;
  if (reader.FindSection("VariousFiles")) {
    for (int i = 0;; ++i) {
      std::string file;
      if (!reader.ReadKey("VariousFile" + std::to_string(i), file)) break;
      files.push_back(std::move(file));
    }
  }
  for (const std::string& file : files) {
    if (!IsErrorMapName(file)) continue;
    std::vector<std::uint8_t> text;
    CErrorMap map;
    if (package.ReadEntry(packageDirectory + "\\VariousFiles\\", file, text) &&
        CErrorMap::Parse(text, map))
      maps.push_back(std::move(map));
  }
  SetMaps(std::move(maps));
  return true;
}

bool CErrorMapList::LoadFromPackageFile(const std::string& packagePath,
                                        const std::string& directory) {
  std::string chosen = directory;
  if (chosen.empty()) {
    firmware::FirmwarePackage package;
    std::vector<std::string> versions;
    if (!package.Open(packagePath) || !package.ListVersions(versions) || versions.empty()) {
      SetMaps({});
      return false;
    }
    chosen = versions.front();
  }
  return LoadErrorMaps(packagePath, chosen);
}

bool CErrorMapList::Adjust(const firmware::FirmwareInfo& current) {
  return LoadErrorMaps(current.packagePath, current.packageDirectory);
}

std::optional<CErrorMapEntry> CErrorMapList::Lookup(const std::string& mapName,
                                                    std::uint32_t code) const {
  std::lock_guard lock(mutex_);
  for (const CErrorMap& map : maps_)
    if (map.Name() == mapName) return map.Lookup(code);
  return std::nullopt;
}

CErrorMapEntry CErrorMapList::UnknownEntry(const std::string& name) {
  CErrorMapEntry entry;
  entry.name = name;
  entry.meaning = "Unknown Error";
  return entry;
}

bool CErrorMapList::ErrorInfo(const CErrorMapEntry& entry,
                              std::vector<std::pair<std::string, std::string>>& fields) {
  fields.clear();
  if (!entry.HasInfo()) return false;
  fields = {{"Name:", entry.name},
            {"Meaning:", entry.meaning},
            {"CausedBy:", entry.causedBy},
            {"Remark:", entry.remark},
            {"Cross Reference:", entry.crossReference},
            {"Effect:", entry.effect}};
  return true;
}

ErrorLookup CErrorMapList::AsLookup() const {
  return [this](const std::string& mapName, int bit) -> std::optional<ErrorRow> {
    if (bit < 0) return std::nullopt;
    std::optional<CErrorMapEntry> entry = Lookup(mapName, static_cast<std::uint32_t>(bit));
    if (!entry) return std::nullopt;
    return ErrorRow{bit, entry->name, entry->meaning};
  };
}

void CErrorMapList::Clear() {
  SetMaps({});
}

std::vector<CErrorMap> CErrorMapList::Maps() const {
  std::lock_guard lock(mutex_);
  return maps_;
}

void CErrorMapList::SetMaps(std::vector<CErrorMap> maps) {
  std::lock_guard lock(mutex_);
  maps_ = std::move(maps);
}

}  // namespace zel::monitor
