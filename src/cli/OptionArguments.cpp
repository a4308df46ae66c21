#include "cli/OptionArguments.h"

#include <algorithm>
#include <cstddef>

#include "cli/CommandContext.h"

namespace zel::cli {

bool TakeOption(CommandContext& ctx, std::vector<std::string>& args, const std::string& name,
                std::string& value, bool& given, int& rc, const std::string& usage) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != name) continue;
    if (i + 1 >= args.size()) {
      rc = ctx.Usage(name + " needs a value.", usage);
      return false;
    }
    value = args[i + 1];
    given = true;
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return true;
  }
  return true;
}

bool TakeFlag(std::vector<std::string>& args, const std::string& name) {
  auto found = std::find(args.begin(), args.end(), name);
  if (found == args.end()) return false;
  args.erase(found);
  return true;
}

}  // namespace zel::cli
