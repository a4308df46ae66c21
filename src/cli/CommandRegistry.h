#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zel::cli {

class CommandContext;

// One zelctl command: its name as typed ("param get" is the command "param" with the argument
// "get"), a one-line summary for the overview, and the usage text of its own --help.
struct CliCommand {
  std::string name;
  std::string summary;
  std::string usage;
  // Returns the process exit status; failures have already been written to the error stream.
  std::function<int(CommandContext&, const std::vector<std::string>& args)> run;
};

// The commands zelctl knows, in the order the overview lists them. Each group of commands
// registers itself from its own file, so adding a group touches nothing else.
class CommandRegistry {
 public:
  void Add(CliCommand command) { commands_.push_back(std::move(command)); }
  const CliCommand* Find(const std::string& name) const {
    for (const auto& c : commands_)
      if (c.name == name) return &c;
    return nullptr;
  }
  const std::vector<CliCommand>& All() const { return commands_; }

 private:
  std::vector<CliCommand> commands_;
};

// Registration functions, one per command group file.
void RegisterStatusCommands(CommandRegistry& registry);
void RegisterParameterCommands(CommandRegistry& registry);
void RegisterServiceCommands(CommandRegistry& registry);
void RegisterDriveCommands(CommandRegistry& registry);
void RegisterPortCommands(CommandRegistry& registry);
void RegisterPackageCommands(CommandRegistry& registry);
void RegisterCanCommands(CommandRegistry& registry);
// The --module forms of the device commands, in a registry of their own.
void RegisterModuleCommands(CommandRegistry& registry);
void RegisterMonitorCommands(CommandRegistry& registry);
void RegisterSearchCommands(CommandRegistry& registry);
// Parameter files; registered in both registries, since --module works on them too.
void RegisterParameterFileCommands(CommandRegistry& registry);
void RegisterFirmwareCommands(CommandRegistry& registry);
void RegisterRecorderCommands(CommandRegistry& registry);
void RegisterRegulationCommands(CommandRegistry& registry);

}  // namespace zel::cli
