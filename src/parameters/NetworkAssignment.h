#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zel::parameters {

// "Download file to a module": the parameter files loaded for a network download, the modules
// found with their versions, and which file goes to which module. An assignment asks only that
// the software versions agree; the download checks the whole version again, so a file whose
// hardware version differs can be assigned and is then refused at the download.
class NetworkAssignment {
 public:
  static constexpr const char* kNotCompatible = "File and Module are not compatible!";
  static constexpr const char* kNoFile = "No file selected";
  static constexpr const char* kNoModule = "No module selected";

  struct File {
    std::string name;     // "Filename"
    std::string version;  // "File Version"
    std::string path;     // "Path"
  };
  struct Module {
    std::uint16_t id = 0;
    std::string version;              // "Module Version": empty when the module did not answer
    std::optional<std::size_t> file;  // "File to download"
  };

  // Reads the file's header; false with the reason when it is no parameter file.
  bool AddFile(const std::string& path, std::string& errorText);
  void AddModule(std::uint16_t id, std::string version);
  // Empty on success, else the refusal. fileRow and moduleRow count from 0; -1 is none.
  std::string Assign(int fileRow, int moduleRow);
  // The same for a file known by path (a drop carries the path): the file is loaded first when
  // it is not in the list yet.
  std::string AssignPath(const std::string& path, int moduleRow);
  // "&Delete File", "Delete All File&s": files leave the list and every assignment of theirs.
  void DeleteFile(int fileRow);
  void DeleteAllFiles();
  // "Delete  &File", "Delete &All Files": a module's assignment, or every module's.
  void ClearModule(int moduleRow);
  void ClearAllModules();

  const std::vector<File>& Files() const { return files_; }
  const std::vector<Module>& Modules() const { return modules_; }
  // The path assigned to a module ID; empty when none.
  std::string PathFor(std::uint16_t id) const;
  int ModuleRow(std::uint16_t id) const;

 private:
  std::vector<File> files_;
  std::vector<Module> modules_;
};

}  // namespace zel::parameters
