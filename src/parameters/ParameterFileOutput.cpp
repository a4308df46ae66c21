#include "parameters/ParameterFileOutput.h"

#include "files/AtomicFileWriter.h"
#include "parameters/CParameterFile.h"
#include "ui/Host.h"

namespace zel::parameters {

namespace {

bool Load(const std::string& path, CParameterFile& file) {
  std::string error;
  const auto result = file.Read(path, error);
  if (result == CParameterFile::ReadResult::kOk) return true;
  ui::CurrentHost().ShowMessage(result == CParameterFile::ReadResult::kTooOld
                                    ? CParameterFile::kTooOld
                                    : "Command failed!\n" + error);
  return false;
}

}  // namespace

bool ParameterFileOutput::SaveAsText(const std::string& udfPath) {
  CParameterFile file;
  if (!Load(udfPath, file)) return false;
  std::string error;
  const bool saved = files::AtomicFileWriter::Write(CParameterFile::TextFileName(udfPath),
                                                    file.TextProtocol(), error);
  ui::CurrentHost().ShowMessage(saved ? "Data saved as Textfile!" : "Failed saving data to file!");
  return saved;
}

bool ParameterFileOutput::Print(const std::string& udfPath) {
  CParameterFile file;
  if (!Load(udfPath, file)) return false;
  const bool printed =
      ui::CurrentHost().Print(file.PrintProtocol(kLinesPerPage, CParameterFile::PrintDate()));
  ui::CurrentHost().ShowMessage(printed ? "Data printed!" : "Failed printing data!");
  return printed;
}

}  // namespace zel::parameters
