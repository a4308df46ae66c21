#pragma once

#include <filesystem>

namespace zel::files {

// The folder below which the user's own settings of this tool live: $XDG_CONFIG_HOME when it is
// an absolute path (a relative one is ignored, as the XDG base directory rules say), else
// $HOME/.config; empty when neither is set.
std::filesystem::path UserConfigHome();

}  // namespace zel::files
