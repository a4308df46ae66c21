// zelctl ports: which device each logical port Com1..Com10 opens, the serial devices present,
// and the user's own assignments, without a ZEL.

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/PortListing.h"
#include "link/PortMap.h"

namespace zel::cli {

namespace {

// One form a line, as the other commands' usage, so completion finds the actions.
constexpr const char* kUsage =
    "zelctl ports\n       zelctl ports assign ComN PATH\n       zelctl ports reset [ComN]";

std::string PortNames(const std::vector<int>& ports) {
  std::string text;
  for (int n : ports) text += (text.empty() ? "Com" : ", Com") + std::to_string(n);
  return text.empty() ? "-" : text;
}

std::string Padded(std::string text, size_t width) {
  text.resize(std::max(text.size() + 1, width), ' ');
  return text;
}

int Show(CommandContext& ctx) {
  std::vector<std::string> lines;
  std::vector<JsonWriter> ports;
  for (const link::PortMapping& m : link::PortMap::Current()) {
    const link::SerialDeviceInfo& d = m.device;
    std::string line = Padded("Com" + std::to_string(m.number), 7);
    JsonWriter json;
    json.Add("port", m.number).Add("path", d.path).Add("present", d.present);
    if (m.source != link::PortMapping::Source::kNone)
      json.Add("source", link::PortMap::SourceText(m));
    if (d.path.empty()) {
      line += "-";
    } else {
      line += d.path;
      std::string facts;
      if (!d.present) facts = "not present";
      if (d.present && !d.node.empty()) facts = d.node;
      if (!d.driver.empty()) facts += ", " + d.driver;
      if (d.latencyMs >= 0) facts += ", latency " + std::to_string(d.latencyMs) + " ms";
      line += "  (" + facts + ")";
      if (m.source != link::PortMapping::Source::kDefault)
        line += " [" + link::PortMap::SourceText(m) + "]";
      if (!d.node.empty()) json.Add("node", d.node);
      if (!d.driver.empty()) json.Add("driver", d.driver);
      if (d.latencyMs >= 0) json.Add("latencyMs", d.latencyMs);
    }
    lines.push_back(line);
    ports.push_back(std::move(json));
  }
  lines.emplace_back("");
  std::vector<JsonWriter> devices;
  for (const auto& d : PortListing::Devices()) {
    std::string line = Padded(d.path, 18) + PortNames(d.ports);
    for (const auto& id : d.byId) line += "  by-id/" + id;
    lines.push_back(line);
    devices.push_back(JsonWriter().Add("path", d.path).Add("ports", d.ports).Add("byId", d.byId));
  }
  if (devices.empty()) lines.emplace_back("No serial devices found.");
  const std::string file = link::PortMap::AssignmentFile().string();
  lines.push_back("Assignments: " + file);
  return ctx.Done(
      lines, JsonWriter().Add("ports", ports).Add("devices", devices).Add("assignments", file));
}

int Ports(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return Show(ctx);
  const std::string& verb = args[0];
  const int number = args.size() >= 2 ? link::PortMap::NumberOf(args[1]) : 0;
  std::string error;
  if (verb == "assign") {
    if (args.size() != 3 || number == 0 || args[2].empty())
      return ctx.Usage("Assign names a port Com1 to Com10 and a device path.", kUsage);
    if (!link::PortMap::Assign(number, args[2], error)) return ctx.Fail(error, "file");
    const link::SerialDeviceInfo device = link::SerialDeviceTree::Describe(args[2]);
    const std::string port = "Com" + std::to_string(number);
    return ctx.Done(
        {port + " opens " + args[2] + (device.present ? "" : " (not present now)")},
        JsonWriter().Add("port", number).Add("path", args[2]).Add("present", device.present));
  }
  if (verb == "reset") {
    if (args.size() > 2 || (args.size() == 2 && number == 0))
      return ctx.Usage("Reset forgets every assignment, or the one of port Com1 to Com10.", kUsage);
    const bool done =
        number == 0 ? link::PortMap::Reset(error) : link::PortMap::Assign(number, "", error);
    if (!done) return ctx.Fail(error, "file");
    return ctx.Done(
        {number == 0 ? "Every port opens its default device again."
                     : "Com" + std::to_string(number) + " opens its default device again."},
        JsonWriter().Add("port", number));
  }
  return ctx.Usage("Unknown ports command '" + verb + "'.", kUsage);
}

}  // namespace

void RegisterPortCommands(CommandRegistry& registry) {
  registry.Add({"ports",
                "show which device Com1..Com10 opens, with driver and latency; assign or reset",
                kUsage, Ports});
}

}  // namespace zel::cli
