#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "link/ByteChannel.h"

namespace zel::cli {

// zelctl as a function: parses the global options and one command, runs it and returns the
// exit status. Tests call it in-process with their own streams and line.
int RunZelCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              link::ChannelOpener opener = {});

}  // namespace zel::cli
