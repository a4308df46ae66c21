#include "cli/ZelCtl.h"

#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/NumberArgument.h"
#include "link/SerialPort.h"

namespace zel::cli {

namespace {

CommandRegistry BuildRegistry() {
  CommandRegistry registry;
  RegisterStatusCommands(registry);
  RegisterParameterCommands(registry);
  RegisterServiceCommands(registry);
  RegisterDriveCommands(registry);
  RegisterPortCommands(registry);
  RegisterPackageCommands(registry);
  RegisterMonitorCommands(registry);
  RegisterSearchCommands(registry);
  RegisterParameterFileCommands(registry);
  RegisterCanCommands(registry);
  RegisterFirmwareCommands(registry);
  RegisterRecorderCommands(registry);
  RegisterRegulationCommands(registry);
  return registry;
}

// The device commands that --module sends to a CAN module instead of the ZEL.
CommandRegistry BuildModuleRegistry() {
  CommandRegistry registry;
  RegisterModuleCommands(registry);
  RegisterParameterFileCommands(registry);
  return registry;
}

void PrintOverview(const CommandRegistry& registry, std::ostream& out) {
  out << "usage: zelctl [options] <command> [arguments] [options]\n"
         "       zelctl <command> --help\n\n"
         "Service tool for the ZEL servo amplifier on a serial line.\n\n"
         "options:\n"
         "  --port ComN      logical port Com1..Com10 (default Com1): the device the port map\n"
         "                   gives it (`zelctl ports`); ZEL_COM<N> overrides the map\n"
         "  --device PATH    serial device path, bypassing the ComN mapping\n"
         "  --baud N         bit rate (default 38400)\n"
         "  --timeout MS     per-byte time-out in milliseconds (default 100)\n"
         "  --trials N       transmissions of a frame the ZEL rejects (default 4)\n"
         "  --package FILE   name errors with the error maps of this firmware package\n"
         "                   (the version matching the ZEL, else the package's first)\n"
         "  --module ID      send the device commands to the CAN module ID (1..127) behind\n"
         "                   the ZEL (status, errors, clear-errors, version, param, save,\n"
         "                   reset-params, enable, disable, params)\n"
         "  --json           print one JSON object per command, failures included\n"
         "  --yes            answer Yes to confirmations (enabling the drive, releasing a stop,\n"
         "                   clearing the errors of a drive that then runs again)\n"
         "  --trace          write every exchange with the ZEL to stderr, decoded\n"
         "  --help           this text\n"
         "  --version        the program's version\n\n"
         "Numbers are decimal; 0x marks hexadecimal. Exit status: 0 done, 1 the ZEL or the line\n"
         "did not do it, 2 wrong command line (nothing was sent). ZEL_DEV_ROOT and\n"
         "ZEL_SYS_ROOT stand in for /dev and /sys.\n\n"
         "commands:\n";
  for (const auto& c : registry.All()) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-15s %s\n", c.name.c_str(), c.summary.c_str());
    out << line;
  }
}

// The options every command takes, before or after the command (iproute2 and git style). What
// is left, in order, is the command and its own arguments; an option after the command that is
// not a global one is the command's own (package defaults --raw).
struct ParsedLine {
  GlobalOptions options;
  std::vector<std::string> words;
  bool help = false;
  bool version = false;
  std::string error;  // a usage error, when set
};

bool ParseNumberOption(const std::string& name, const std::string& text, int64_t min, int64_t max,
                       int32_t& target, std::string& error) {
  int64_t value = 0;
  std::string why;
  if (!NumberArgument(text).ToInteger(min, max, value, why)) {
    error = name + " takes a number from " + std::to_string(min) + " to " + std::to_string(max) +
            ", not '" + text + "': " + why;
    return false;
  }
  target = static_cast<int32_t>(value);
  return true;
}

ParsedLine ParseLine(const std::vector<std::string>& args) {
  ParsedLine line;
  GlobalOptions& o = line.options;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size() && line.error.empty(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.rfind("--", 0) != 0) {
      if (a == "-h" && !optionsEnded)
        line.help = true;
      else
        line.words.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    // --name=value and --name value are the same.
    const size_t equals = a.find('=');
    const std::string name = a.substr(0, equals);
    std::string value;
    auto takeValue = [&] {
      if (equals != std::string::npos) {
        value = a.substr(equals + 1);
        return true;
      }
      if (i + 1 >= args.size()) {
        line.error = name + " needs a value.";
        return false;
      }
      value = args[++i];
      return true;
    };
    if (name == "--help") {
      line.help = true;
    } else if (name == "--version") {
      line.version = true;
    } else if (name == "--json") {
      o.json = true;
    } else if (name == "--yes") {
      o.assumeYes = true;
    } else if (name == "--trace") {
      o.trace = true;
    } else if (name == "--port") {
      if (!takeValue()) break;
      o.port = value;
      if (link::SerialPort::DeviceNameFor(value).empty())
        line.error = "Unknown port '" + value +
                     "': give Com1 to Com10 (or COM1 to COM10), or a device path with --device.";
    } else if (name == "--device") {
      if (!takeValue()) break;
      o.device = value;
      if (value.empty())
        line.error = "--device needs a device path; an empty one would fall back to Com1.";
    } else if (name == "--baud") {
      if (takeValue()) ParseNumberOption(name, value, 1, 4000000, o.baud, line.error);
    } else if (name == "--timeout") {
      if (takeValue()) ParseNumberOption(name, value, 1, 60000, o.timeoutMs, line.error);
    } else if (name == "--trials") {
      if (takeValue()) ParseNumberOption(name, value, 0, 100, o.trials, line.error);
    } else if (name == "--module") {
      if (takeValue()) ParseNumberOption(name, value, 1, 127, o.module, line.error);
    } else if (name == "--package") {
      if (takeValue()) o.package = value;
    } else if (line.words.empty()) {
      line.error = "Unknown option " + a + " (see zelctl --help).";
    } else {
      line.words.push_back(a);
    }
  }
  return line;
}

}  // namespace

int RunZelCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              link::ChannelOpener opener) {
  const CommandRegistry registry = BuildRegistry();
  ParsedLine line = ParseLine(args);
  // The parse stops at the first wrong option; a --json after it still asks for the error as
  // JSON, so a script gets its object for every wrong command line.
  bool json = line.options.json;
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--json") json = true;
  }
  if (line.version) {
    if (json)
      out << JsonWriter().Add("ok", true).Add("program", "zelctl").Add("version", ZEL_VERSION).Str()
          << '\n';
    else
      out << "zelctl " << ZEL_VERSION << '\n';
    return kExitOk;
  }
  if (!line.error.empty())
    return CommandContext::ReportUsage(out, err, json, line.error, "zelctl --help");
  if (line.words.empty()) {
    if (line.help) {
      PrintOverview(registry, out);
      return kExitOk;
    }
    PrintOverview(registry, err);
    return CommandContext::ReportUsage(out, err, json, "No command given.",
                                       "zelctl [options] <command> [arguments]");
  }
  const CommandRegistry moduleRegistry = BuildModuleRegistry();
  const CliCommand* command = line.options.module != 0 ? moduleRegistry.Find(line.words.front())
                                                       : registry.Find(line.words.front());
  if (!command && line.options.module != 0 && registry.Find(line.words.front()))
    return CommandContext::ReportUsage(
        out, err, json, "The command '" + line.words.front() + "' does not work with --module.",
        "");
  if (!command)
    return CommandContext::ReportUsage(
        out, err, json, "Unknown command '" + line.words.front() + "' (see zelctl --help).", "");
  if (line.help) {
    out << "usage: " << command->usage << "\n\n" << command->summary << "\n";
    return kExitOk;
  }
  std::vector<std::string> rest(line.words.begin() + 1, line.words.end());
  CommandContext context(line.options, out, err);
  if (opener) context.SetOpener(std::move(opener));
  return command->run(context, rest);
}

}  // namespace zel::cli
