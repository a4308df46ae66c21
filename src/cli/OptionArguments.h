#pragma once

#include <string>
#include <vector>

namespace zel::cli {

class CommandContext;

// Pulls "--name VALUE" out of args and sets given. Returns false, with rc set from a usage
// report naming usage, when the option is there without its value.
bool TakeOption(CommandContext& ctx, std::vector<std::string>& args, const std::string& name,
                std::string& value, bool& given, int& rc, const std::string& usage);

// Pulls the flag out of args; true when it was there.
bool TakeFlag(std::vector<std::string>& args, const std::string& name);

}  // namespace zel::cli
