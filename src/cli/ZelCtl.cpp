#include "cli/ZelCtl.h"

#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "parameters/NumberText.h"

namespace zel::cli {

namespace {

CommandRegistry BuildRegistry() {
  CommandRegistry registry;
  RegisterStatusCommands(registry);
  RegisterParameterCommands(registry);
  RegisterServiceCommands(registry);
  RegisterDriveCommands(registry);
  RegisterPackageCommands(registry);
  return registry;
}

void PrintOverview(const CommandRegistry& registry, std::ostream& out) {
  out << "usage: zelctl [options] <command> [arguments]\n"
         "       zelctl <command> --help\n\n"
         "Service tool for the ZEL servo amplifier on a serial line.\n\n"
         "options:\n"
         "  --port ComN      logical port Com1..Com10 (default Com1; ZEL_COM<N> overrides the\n"
         "                   device path, else /dev/ttyS<N-1>)\n"
         "  --device PATH    serial device path, bypassing the ComN mapping\n"
         "  --baud N         bit rate (default 38400)\n"
         "  --timeout MS     per-byte time-out in milliseconds (default 100)\n"
         "  --trials N       transmissions of a frame the ZEL rejects (default 4)\n"
         "  --package FILE   name errors with the error maps of this firmware package\n"
         "                   (the version matching the ZEL, else the package's first)\n"
         "  --json           print one JSON object per command\n"
         "  --yes            answer Yes to confirmations (enabling the drive, releasing a stop)\n"
         "  --help           this text\n\n"
         "commands:\n";
  for (const auto& c : registry.All()) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-15s %s\n", c.name.c_str(), c.summary.c_str());
    out << line;
  }
}

bool ParseInt(const std::string& text, int32_t min, int32_t max, int32_t& value) {
  int32_t v = 0;
  if (parameters::NumberText::ParseInt32(text, v) != parameters::NumberTextError::kNone ||
      text.empty())
    return false;
  if (v < min || v > max) return false;
  value = v;
  return true;
}

}  // namespace

int RunZelCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              link::ChannelOpener opener) {
  const CommandRegistry registry = BuildRegistry();
  GlobalOptions options;
  size_t i = 0;
  auto value = [&](const std::string& name, std::string& target) {
    if (i + 1 >= args.size()) {
      err << "zelctl: " << name << " needs a value\n";
      return false;
    }
    target = args[++i];
    return true;
  };
  auto number = [&](const std::string& name, int32_t min, int32_t max, int32_t& target) {
    std::string text;
    if (!value(name, text)) return false;
    if (!ParseInt(text, min, max, target)) {
      err << "zelctl: " << name << " takes a number from " << min << " to " << max << ", not '"
          << text << "'\n";
      return false;
    }
    return true;
  };
  for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
    const std::string& a = args[i];
    bool ok = true;
    if (a == "--help") {
      PrintOverview(registry, out);
      return kExitOk;
    } else if (a == "--port") {
      ok = value(a, options.port);
    } else if (a == "--device") {
      ok = value(a, options.device);
    } else if (a == "--baud") {
      ok = number(a, 1, 4000000, options.baud);
    } else if (a == "--timeout") {
      ok = number(a, 1, 60000, options.timeoutMs);
    } else if (a == "--trials") {
      ok = number(a, 0, 100, options.trials);
    } else if (a == "--package") {
      ok = value(a, options.package);
    } else if (a == "--json") {
      options.json = true;
    } else if (a == "--yes") {
      options.assumeYes = true;
    } else {
      err << "zelctl: unknown option " << a << " (see zelctl --help)\n";
      return kExitUsage;
    }
    if (!ok) return kExitUsage;
  }
  if (i >= args.size()) {
    PrintOverview(registry, err);
    return kExitUsage;
  }
  const CliCommand* command = registry.Find(args[i]);
  if (!command) {
    err << "zelctl: unknown command '" << args[i] << "' (see zelctl --help)\n";
    return kExitUsage;
  }
  std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
  for (const auto& a : rest) {
    if (a == "--help" || a == "-h") {
      out << "usage: " << command->usage << "\n\n" << command->summary << "\n";
      return kExitOk;
    }
  }
  CommandContext context(options, out, err);
  if (opener) context.SetOpener(std::move(opener));
  return command->run(context, rest);
}

}  // namespace zel::cli
