#include "files/UserConfigHome.h"

#include <cstdlib>

namespace zel::files {

std::filesystem::path UserConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config == '/') return config;
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return std::filesystem::path(home) / ".config";
  return {};
}

}  // namespace zel::files
