#include "parameters/NetworkAssignment.h"

#include <filesystem>

#include "parameters/CParameterFile.h"
#include "parameters/ParameterTransfer.h"

namespace zel::parameters {

bool NetworkAssignment::AddFile(const std::string& path, std::string& errorText) {
  CParameterFile file;
  if (file.Read(path, errorText) != CParameterFile::ReadResult::kOk) return false;
  for (const File& known : files_)
    if (known.path == path) return true;
  files_.push_back({std::filesystem::path(path).filename().string(), file.version, path});
  return true;
}

void NetworkAssignment::AddModule(std::uint16_t id, std::string version) {
  modules_.push_back({id, std::move(version), std::nullopt});
}

std::string NetworkAssignment::Assign(int fileRow, int moduleRow) {
  if (fileRow < 0 || static_cast<std::size_t>(fileRow) >= files_.size()) return kNoFile;
  if (moduleRow < 0 || static_cast<std::size_t>(moduleRow) >= modules_.size()) return kNoModule;
  Module& module = modules_[static_cast<std::size_t>(moduleRow)];
  const File& file = files_[static_cast<std::size_t>(fileRow)];
  if (module.version.empty() || !ParameterTransfer::SameSoftware(file.version, module.version))
    return kNotCompatible;
  module.file = static_cast<std::size_t>(fileRow);
  return {};
}

std::string NetworkAssignment::AssignPath(const std::string& path, int moduleRow) {
  std::string error;
  if (path.empty()) return kNoFile;
  if (!AddFile(path, error)) return error;
  for (std::size_t i = 0; i < files_.size(); ++i)
    if (files_[i].path == path) return Assign(static_cast<int>(i), moduleRow);
  return kNoFile;
}

void NetworkAssignment::DeleteFile(int fileRow) {
  if (fileRow < 0 || static_cast<std::size_t>(fileRow) >= files_.size()) return;
  const auto row = static_cast<std::size_t>(fileRow);
  files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(row));
  for (Module& module : modules_) {
    if (!module.file) continue;
    if (*module.file == row)
      module.file.reset();
    else if (*module.file > row)
      --*module.file;
  }
}

void NetworkAssignment::DeleteAllFiles() {
  files_.clear();
  ClearAllModules();
}

void NetworkAssignment::ClearModule(int moduleRow) {
  if (moduleRow < 0 || static_cast<std::size_t>(moduleRow) >= modules_.size()) return;
  modules_[static_cast<std::size_t>(moduleRow)].file.reset();
}

void NetworkAssignment::ClearAllModules() {
  for (Module& module : modules_) module.file.reset();
}

std::string NetworkAssignment::PathFor(std::uint16_t id) const {
  const int row = ModuleRow(id);
  if (row < 0) return {};
  const Module& module = modules_[static_cast<std::size_t>(row)];
  return module.file ? files_[*module.file].path : std::string();
}

int NetworkAssignment::ModuleRow(std::uint16_t id) const {
  for (std::size_t i = 0; i < modules_.size(); ++i)
    if (modules_[i].id == id) return static_cast<int>(i);
  return -1;
}

}  // namespace zel::parameters
