#include "cli/StepTimesFile.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "files/AtomicFileWriter.h"
#include "files/UserConfigHome.h"

namespace zel::cli {

namespace {

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::filesystem::path StepTimesFile::Directory() {
  if (const char* dir = Variable("ZELCTL_CONFIG_DIR")) return dir;
  const std::filesystem::path config = files::UserConfigHome();
  return config.empty() ? std::filesystem::path(".zelctl") : config / "zelctl";
}

void StepTimesFile::Load(firmware::StepTimes& times) {
  std::ifstream in(Path());
  std::stringstream text;
  text << in.rdbuf();
  if (in) times.FromText(text.str());
}

bool StepTimesFile::Save(const firmware::StepTimes& times, std::string& errorText) {
  std::error_code error;
  std::filesystem::create_directories(Directory(), error);
  if (error) {
    errorText = "cannot create " + Directory().string() + ": " + error.message();
    return false;
  }
  return files::AtomicFileWriter::Write(Path(), times.ToText() + "\n", errorText);
}

}  // namespace zel::cli
