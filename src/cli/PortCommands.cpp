// zelctl ports: which serial devices are there and which ComN opens each, without a ZEL.

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/PortListing.h"

namespace zel::cli {

namespace {

std::string PortNames(const std::vector<int>& ports) {
  std::string text;
  for (int n : ports) text += (text.empty() ? "Com" : ", Com") + std::to_string(n);
  return text.empty() ? "-" : text;
}

int Ports(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return ctx.Usage("This command takes no arguments.", "zelctl ports");
  std::vector<std::string> lines;
  std::vector<JsonWriter> devices;
  for (const auto& d : PortListing::Devices()) {
    std::string line = d.path;
    line.resize(std::max<size_t>(line.size() + 1, 18), ' ');
    line += PortNames(d.ports);
    for (const auto& id : d.byId) line += "  by-id/" + id;
    lines.push_back(line);
    devices.push_back(JsonWriter().Add("path", d.path).Add("ports", d.ports).Add("byId", d.byId));
  }
  if (lines.empty()) lines.emplace_back("No serial devices found.");
  lines.emplace_back("");
  std::vector<JsonWriter> mappings;
  for (const auto& m : PortListing::Mappings()) {
    lines.push_back("Com" + std::to_string(m.number) + (m.number < 10 ? "   " : "  ") + m.path +
                    (m.fromEnvironment ? " (ZEL_COM" + std::to_string(m.number) + ")" : "") +
                    (m.present ? "" : " (absent)"));
    mappings.push_back(JsonWriter()
                           .Add("port", m.number)
                           .Add("path", m.path)
                           .Add("fromEnvironment", m.fromEnvironment)
                           .Add("present", m.present));
  }
  return ctx.Done(lines, JsonWriter().Add("devices", devices).Add("mappings", mappings));
}

}  // namespace

void RegisterPortCommands(CommandRegistry& registry) {
  registry.Add({"ports", "list the serial devices present and the ComN that opens each",
                "zelctl ports", Ports});
}

}  // namespace zel::cli
