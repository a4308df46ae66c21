#pragma once

#include <string>
#include <vector>

namespace zel::cli {

class CommandContext;

// "can search [--count N] [--bitrate TEXT|INDEX]": the CAN wizard's module search, and with
// --bitrate its bit-rate run, with progress on a terminal and the wizard's outcome texts.
int CanSearch(CommandContext& ctx, const std::vector<std::string>& args);
// "can set-id ID": a new module ID for the ZEL at the serial port, its bit rate kept.
int CanSetId(CommandContext& ctx, const std::vector<std::string>& args);

}  // namespace zel::cli
