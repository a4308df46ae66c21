#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/ParameterRef.h"
#include "link/ZelCommunication.h"

namespace zel::cli {

namespace {

using parameters::NumberFormat;
using parameters::ParameterDefinition;

constexpr int16_t kSysConfig = 1;
constexpr uint16_t kServiceModeBit = 0x4000;
constexpr uint16_t kSoftwareEnablingBit = 0x1000;

const char* kGetUsage = "zelctl param get <number|name>";
const char* kSetUsage =
    "zelctl param set <number|name> <value>   (decimal, or hexadecimal with 0x)";

std::string Format(const parameters::CParameterTable& table, int16_t number, uint32_t value,
                   NumberFormat format) {
  std::string text;
  table.FormatValue(number, static_cast<int32_t>(value), format, text);
  return text;
}

std::string Describe(const ParameterDefinition& d) {
  char text[160];
  std::snprintf(text, sizeof text, "%i %s", d.number, d.name.c_str());
  return text;
}

JsonWriter ValueJson(const parameters::CParameterTable& table, const ParameterDefinition& d,
                     uint32_t value) {
  // The decimal text already carries the definition's sign and width.
  return JsonWriter()
      .Add("number", static_cast<int>(d.number))
      .Add("name", d.name)
      .Add("unit", d.unit)
      .Add("value", std::stoll(Format(table, d.number, value, NumberFormat::kDecimal)))
      .Add("hex", Format(table, d.number, value, NumberFormat::kHexadecimal));
}

std::string WhyNotEditable(const ParameterDefinition& d, uint16_t sysConfig) {
  if (d.access == ParameterDefinition::kReadOnly) return "is read-only";
  if (d.service && !(sysConfig & kServiceModeBit)) return "can be changed only in service mode";
  return "is set by the hardware (potentiometer or input) in the current SysConfig";
}

// The opened stack with the parameter named on the command line resolved against its
// definitions; null after reporting why not.
link::ZelCommunication* OpenAndResolve(CommandContext& ctx, const std::string& text,
                                       ParameterDefinition& definition) {
  auto* zel = ctx.Zel();
  if (!zel) return nullptr;
  std::string error;
  if (ParameterRef::Resolve(zel->Definitions(), text, definition, error)) return zel;
  ctx.Fail(error);
  return nullptr;
}

int Get(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return ctx.Usage("Give one parameter.", kGetUsage);
  ParameterDefinition d;
  auto* zel = OpenAndResolve(ctx, args[0], d);
  if (!zel) return kExitFailed;
  auto& table = zel->Definitions();
  uint32_t value = 0;
  if (!zel->Parameter().ReadTempParam(d.number, static_cast<uint16_t>(d.width), value))
    return ctx.Fail("ReadTempParam: Command failed!");
  std::string unit = d.unit.empty() ? "" : " " + d.unit;
  return ctx.Done({Describe(d) + " = " + Format(table, d.number, value, NumberFormat::kDecimal) +
                   unit + " (" + Format(table, d.number, value, NumberFormat::kHexadecimal) + ")"},
                  ValueJson(table, d, value));
}

// The single-parameter edit: check the text and the limits before anything goes on the line,
// refuse what the current SysConfig does not let the user change, and keep the drive disabled
// while the value is written (re-enabling only when confirmed).
int Set(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return ctx.Usage("Give a parameter and a value.", kSetUsage);
  ParameterDefinition d;
  auto* zel = OpenAndResolve(ctx, args[0], d);
  if (!zel) return kExitFailed;
  auto& table = zel->Definitions();

  const std::string& text = args[1];
  NumberFormat format =
      text.rfind("0x", 0) == 0 ? NumberFormat::kHexadecimal : NumberFormat::kDecimal;
  int32_t value = 0;
  if (!table.ParseText(d.number, text, format, true, value)) return ctx.FailShown();
  if (!table.CheckRange(d.number, value, true)) return ctx.FailShown();

  uint16_t sysConfig = 0;
  if (!zel->Parameter().ReadTempParam(kSysConfig, sysConfig))
    return ctx.Fail("ReadTempParam: Command failed!");
  if (!table.IsEditable(d.number, sysConfig))
    return ctx.Fail("The parameter '" + d.name + "' " + WhyNotEditable(d, sysConfig) + ".");

  bool previousSoftwareEnabling = false;
  bool previousEnabled = false;
  if (!zel->Status().SuspendEnable(previousSoftwareEnabling, previousEnabled, true))
    return ctx.Fail("SuspendEnable: Command failed!");
  uint32_t written = static_cast<uint32_t>(value);
  // SysConfig keeps software enabling while the guard holds the drive; the guard restores it.
  if (d.number == kSysConfig) written |= kSoftwareEnablingBit;
  bool set = zel->Parameter().SetTempParam(d.number, static_cast<uint16_t>(d.width), written);
  bool resumed = zel->Status().ResumeEnable(previousSoftwareEnabling, previousEnabled, true);
  if (!set) return ctx.Fail("SetTempParam: Command failed!");
  if (!resumed)
    return ctx.Fail(
        "The value was set, but restoring the enable state failed!\n"
        "Check the ZEL before you go on.");
  // Show what the ZEL holds now: the enable guard may have changed SysConfig again.
  uint32_t now = written;
  zel->Parameter().ReadTempParam(d.number, static_cast<uint16_t>(d.width), now);
  std::string unit = d.unit.empty() ? "" : " " + d.unit;
  return ctx.Done(
      {Describe(d) + " set: now " + Format(table, d.number, now, NumberFormat::kDecimal) + unit +
       " (" + Format(table, d.number, now, NumberFormat::kHexadecimal) + ")"},
      ValueJson(table, d, now));
}

int List(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return ctx.Usage("This command takes no arguments.", "zelctl param list");
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  auto& table = zel->Definitions();
  parameters::SystemParameterBlock block;
  if (!zel->Parameter().ReadAllTempParam(block))
    return ctx.Fail("ReadAllTempParam: Command failed!");
  std::vector<std::string> lines;
  std::vector<JsonWriter> rows;
  for (int i = 0; i < parameters::SystemParameterBlock::kWordCount; ++i) {
    auto number = static_cast<int16_t>(i);
    uint16_t word = block.words[static_cast<size_t>(i)];
    ParameterDefinition d;
    bool known = table.Find(number, d);
    if (!known) {
      d.number = number;
      d.name = "?";
    }
    std::string decimal =
        known ? Format(table, number, word, NumberFormat::kDecimal) : std::to_string(word);
    char line[160];
    std::snprintf(line, sizeof line, "%3d  %-18s %8s  0x%.4X  %s", i, d.name.c_str(),
                  decimal.c_str(), word, d.unit.c_str());
    lines.emplace_back(line);
    rows.push_back(JsonWriter()
                       .Add("number", i)
                       .Add("name", d.name)
                       .Add("unit", d.unit)
                       .Add("value", std::stoll(decimal))
                       .Add("hex", Format(table, number, word, NumberFormat::kHexadecimal)));
  }
  return ctx.Done(lines, JsonWriter().Add("parameters", rows));
}

int Param(CommandContext& ctx, const std::vector<std::string>& args) {
  const char* usage = "zelctl param get|set|list ...";
  if (args.empty()) return ctx.Usage("Say get, set or list.", usage);
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "get") return Get(ctx, rest);
  if (args[0] == "set") return Set(ctx, rest);
  if (args[0] == "list") return List(ctx, rest);
  return ctx.Usage("Unknown param command '" + args[0] + "'.", usage);
}

int Simple(CommandContext& ctx, const std::vector<std::string>& args, const char* usage,
           bool (link::ParameterGroup::*command)(), const char* name, const char* done) {
  if (!args.empty()) return ctx.Usage("This command takes no arguments.", usage);
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  if (!(zel->Parameter().*command)()) return ctx.Fail(std::string(name) + ": Command failed!");
  return ctx.Done({done}, JsonWriter());
}

}  // namespace

void RegisterParameterCommands(CommandRegistry& registry) {
  registry.Add({"param", "get, set (checked against its definition) or list temporary parameters",
                std::string(kGetUsage) + "\n       " + kSetUsage + "\n       zelctl param list",
                Param});
  registry.Add({"save", "save the temporary parameters to the EEPROM", "zelctl save",
                [](CommandContext& c, const std::vector<std::string>& a) {
                  return Simple(c, a, "zelctl save", &link::ParameterGroup::SaveTempParam,
                                "SaveTempParam", "The temporary parameters are saved in EEPROM.");
                }});
  registry.Add({"reset-params", "reload the temporary parameters from the EEPROM",
                "zelctl reset-params", [](CommandContext& c, const std::vector<std::string>& a) {
                  return Simple(c, a, "zelctl reset-params", &link::ParameterGroup::ResetTempParam,
                                "ResetTempParam",
                                "The temporary parameters are reloaded from EEPROM.");
                }});
}

}  // namespace zel::cli
