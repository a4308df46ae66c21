#include <cstdio>
#include <optional>

#include "can/CanModule.h"
#include "can/ModuleParameterDevice.h"
#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/ErrorRows.h"
#include "cli/NumberArgument.h"
#include "cli/ParameterRef.h"
#include "link/ZelCommunication.h"
#include "monitor/ErrorListing.h"
#include "monitor/StatusWordText.h"
#include "parameters/EnableSuspension.h"
#include "parameters/NumberText.h"

namespace zel::cli {

namespace {

using parameters::NumberFormat;
using parameters::NumberText;
using parameters::ParameterDefinition;

constexpr uint16_t kStatusEnabled = 0x4000;
constexpr int16_t kSysConfig = 1;

uint16_t Id(CommandContext& ctx) {
  return static_cast<uint16_t>(ctx.Options().module);
}

std::string ModuleName(CommandContext& ctx) {
  return "CAN module " + std::to_string(Id(ctx));
}

// A carried command that got no answer: the module is absent, or its bit rate is not the
// gateway's (a module at another rate hears nothing).
int NoAnswer(CommandContext& ctx, const std::string& command) {
  return ctx.Fail(command + " to " + ModuleName(ctx) +
                      ": Command failed!\nNo answer through the gateway: the module is absent or "
                      "listens at another bit rate (see `zelctl can` and `zelctl can scan`).",
                  "noAnswer");
}

// Every module command starts with the module's version, as the desktop's entries do, so an
// absent module fails before anything is sent to it.
can::CanModule* Reach(CommandContext& ctx, int& rc) {
  rc = kExitFailed;
  can::CanModule* module = ctx.Module();
  if (module == nullptr) return nullptr;
  uint16_t software = 0, hardware = 0;
  if (!module->ReadVersion(Id(ctx), software, hardware)) {
    rc = NoAnswer(ctx, "ReadVersion");
    return nullptr;
  }
  return module;
}

int NoArguments(CommandContext& ctx, const std::vector<std::string>& args, const char* usage) {
  return args.empty() ? kExitOk : ctx.Usage("This command takes no arguments.", usage);
}

int Status(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl --module ID status")) return rc;
  int rc = kExitOk;
  can::CanModule* module = Reach(ctx, rc);
  if (!module) return rc;
  uint16_t word = 0;
  if (!module->ReadSysStatus(Id(ctx), word)) return NoAnswer(ctx, "ReadSysStatus");
  std::vector<std::string> lines{ModuleName(ctx) +
                                 " status word: " + NumberText::FormatHex16(word)};
  std::vector<JsonWriter> bits;
  for (int bit = 0; bit < monitor::StatusWordText::kBits; ++bit) {
    const bool set = monitor::StatusWordText::IsSet(word, bit);
    const std::string text = monitor::StatusWordText::BitText(word, bit);
    char line[128];
    std::snprintf(line, sizeof line, "  bit %2d [%c] %s", bit, set ? 'x' : ' ', text.c_str());
    lines.emplace_back(line);
    bits.push_back(JsonWriter().Add("bit", bit).Add("set", set).Add("text", text));
  }
  return ctx.Done(
      lines, JsonWriter().Add("module", Id(ctx)).AddWord("statusWord", word).Add("bits", bits));
}

int Errors(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl --module ID errors")) return rc;
  can::CanModule* module = ctx.Module();
  if (!module) return kExitFailed;
  // The errors are named by the connected ZEL's maps, so both must run the same firmware.
  if (!module->SimpleVersionCheck(Id(ctx))) {
    return ctx.Host().LastMessage().empty() ? NoAnswer(ctx, "ReadVersion") : ctx.FailShown();
  }
  uint16_t word = 0;
  if (!module->ReadError(Id(ctx), word)) return NoAnswer(ctx, "ReadError");
  auto rows = monitor::ErrorListing::List(word, monitor::ErrorWordKind::Standard, {});
  std::vector<std::string> lines{ModuleName(ctx) + " error word: " + NumberText::FormatHex16(word)};
  std::vector<JsonWriter> jsonRows = AppendErrorRows(rows, lines);
  return ctx.Done(lines, JsonWriter()
                             .Add("module", Id(ctx))
                             .AddWord("errorWord", word)
                             .Add("errors", jsonRows)
                             .Add("summary", monitor::ErrorListing::CountText(rows.size())));
}

int ClearErrors(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl --module ID clear-errors")) return rc;
  int rc = kExitOk;
  can::CanModule* module = Reach(ctx, rc);
  if (!module) return rc;
  if (!module->ClearError(Id(ctx))) return ctx.CommandFailed("ClearError");
  // The gateway takes a message whether anyone hears it; the error word says what happened.
  uint16_t word = 0;
  if (!module->ReadError(Id(ctx), word)) return NoAnswer(ctx, "ReadError");
  if (word != 0)
    return ctx.Fail(ModuleName(ctx) + " still reports errors (error word " +
                        NumberText::FormatHex16(word) + ").",
                    "errorsRemain");
  return ctx.Done({"Errors are cleared!"}, JsonWriter().Add("module", Id(ctx)));
}

int Version(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl --module ID version")) return rc;
  can::CanModule* module = ctx.Module();
  if (!module) return kExitFailed;
  can::CanModule::Identity id;
  if (!module->ReadIdentity(Id(ctx), id)) return NoAnswer(ctx, "ReadVersion");
  char number[16], version[16];
  std::snprintf(number, sizeof number, "0x%.4x", id.applicationNumber);
  std::snprintf(version, sizeof version, "0x%.4x", id.applicationVersion);
  return ctx.Done(
      {ModuleName(ctx), "Software Version:    " + NumberText::FormatHex16(id.softwareVersion),
       "Hardware Version:    " + NumberText::FormatHex16(id.hardwareVersion),
       std::string("Application Number:  ") + number,
       std::string("Application Version: ") + version},
      JsonWriter()
          .Add("module", Id(ctx))
          .AddWord("softwareVersion", id.softwareVersion)
          .AddWord("hardwareVersion", id.hardwareVersion)
          .AddWord("applicationNumber", id.applicationNumber)
          .AddWord("applicationVersion", id.applicationVersion));
}

std::string Format(const parameters::CParameterTable& table, int16_t number, uint32_t value,
                   NumberFormat format) {
  std::string text;
  table.FormatValue(number, static_cast<int32_t>(value), format, text);
  return text;
}

JsonWriter ValueJson(CommandContext& ctx, const parameters::CParameterTable& table,
                     const ParameterDefinition& d, uint32_t value) {
  return JsonWriter()
      .Add("module", Id(ctx))
      .Add("number", static_cast<int>(d.number))
      .Add("name", d.name)
      .Add("unit", d.unit)
      .Add("value", std::stoll(Format(table, d.number, value, NumberFormat::kDecimal)))
      .Add("hex", Format(table, d.number, value, NumberFormat::kHexadecimal));
}

std::string ValueLine(const parameters::CParameterTable& table, const ParameterDefinition& d,
                      uint32_t value) {
  const std::string unit = d.unit.empty() ? "" : " " + d.unit;
  return std::to_string(d.number) + " " + d.name + " = " +
         Format(table, d.number, value, NumberFormat::kDecimal) + unit + " (" +
         Format(table, d.number, value, NumberFormat::kHexadecimal) + ")";
}

// The parameter commands only run between ZELs of compatible firmware: the definitions are the
// connected ZEL's.
bool Compatible(CommandContext& ctx, can::CanModule& module, int& rc) {
  if (module.CompatibilityCheck(Id(ctx))) return true;
  rc = ctx.Host().LastMessage().empty() ? NoAnswer(ctx, "ReadVersion") : ctx.FailShown();
  return false;
}

int Resolve(CommandContext& ctx, const std::string& text, ParameterDefinition& d,
            const char* usage) {
  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  std::string error;
  switch (ParameterRef::Resolve(zel->Definitions(), text, d, error)) {
    case ParameterRef::Outcome::kFound:
      return kExitOk;
    case ParameterRef::Outcome::kMalformed:
      return ctx.Usage(error, usage);
    case ParameterRef::Outcome::kUnknown:
      return ctx.Fail(error, "unknownParameter");
  }
  return kExitFailed;
}

int ParamGet(CommandContext& ctx, const std::vector<std::string>& args) {
  const char* usage = "zelctl --module ID param get <number|name>";
  if (args.size() != 1) return ctx.Usage("Give one parameter.", usage);
  ParameterDefinition d;
  if (int rc = Resolve(ctx, args[0], d, usage)) return rc;
  can::CanModule* module = ctx.Module();
  int rc = kExitOk;
  if (!Compatible(ctx, *module, rc)) return rc;
  uint32_t value = 0;
  // A value printed here is taken for the module's own: no 0 stands in for a read that failed.
  if (!module->ReadTempParamChecked(Id(ctx), d.number, static_cast<uint16_t>(d.width), value))
    return NoAnswer(ctx, "ReadTempParam");
  auto& table = ctx.Zel()->Definitions();
  return ctx.Done({ModuleName(ctx) + ": " + ValueLine(table, d, value)},
                  ValueJson(ctx, table, d, value));
}

int ParamSet(CommandContext& ctx, const std::vector<std::string>& args) {
  const char* usage = "zelctl --module ID param set <number|name> <value>";
  if (args.size() != 2) return ctx.Usage("Give a parameter and a value.", usage);
  const NumberArgument text(args[1]);
  if (text.Empty()) return ctx.Usage(NumberArgument::kEmptyMessage, usage);
  ParameterDefinition d;
  if (int rc = Resolve(ctx, args[0], d, usage)) return rc;
  auto& table = ctx.Zel()->Definitions();
  int32_t value = 0;
  if (!text.Hexadecimal() && !table.IsSigned(d.number) && text.Text()[0] == '-')
    return ctx.Usage(text.Message(parameters::NumberTextError::kNotDecimal, false), usage);
  if (!table.ParseText(d.number, text.Text(), text.Format(), true, value))
    return ctx.FailShown(kExitUsage);
  if (!table.CheckRange(d.number, value, true)) return ctx.FailShown();
  if (d.width != ParameterDefinition::kWidth16)
    return ctx.Fail("The parameter '" + d.name +
                        "' is 32 bits wide: a CAN module takes 16-bit parameter writes only.",
                    "width");
  can::CanModule* module = ctx.Module();
  int rc = kExitOk;
  if (!Compatible(ctx, *module, rc)) return rc;
  const uint16_t id = Id(ctx);
  uint16_t sysConfig = 0;
  if (!module->ReadSysConfig(id, sysConfig)) return NoAnswer(ctx, "ReadTempParam");
  if (!table.IsEditable(d.number, sysConfig))
    return ctx.Fail("The parameter '" + d.name + "' cannot be changed on " + ModuleName(ctx) +
                    " in its current SysConfig.");
  // The module is disabled while the value is written and its enabling put back afterwards.
  can::ModuleParameterDevice device(*module, id);
  parameters::EnableSuspension suspension(device);
  if (!suspension.Suspend(true)) {
    if (!suspension.LeftWith().empty())
      return ctx.Fail("SuspendEnable to " + ModuleName(ctx) + ": Command failed!\n" +
                      suspension.LeftWith());
    return NoAnswer(ctx, "SuspendEnable");
  }
  uint16_t word = static_cast<uint16_t>(value);
  // SysConfig's own bit 12 is the enabling the user chose: the restore ends with that one, and
  // the write keeps enabling by command meanwhile, as on the serial ZEL.
  std::optional<bool> chosenEnabling;
  if (d.number == kSysConfig) {
    chosenEnabling = (word & 0x1000) != 0;
    word |= 0x1000;
  }
  const bool wantedByCommand = chosenEnabling.value_or((sysConfig & 0x1000) != 0);
  const bool written = device.SetTempParam(d.number, 0, word);
  if (!suspension.Resume(true, chosenEnabling))
    return ctx.Fail(std::string(written ? "The value was set, but restoring the enable state "
                                          "failed!\n"
                                        : "WriteTempParam: Command failed!\n") +
                    suspension.LeftWith());
  if (!written) return ctx.CommandFailed("WriteTempParam");
  uint32_t now = 0;
  if (!module->ReadTempParamChecked(id, d.number, 0, now))
    return ctx.Fail("The value was sent, but " + ModuleName(ctx) +
                        " did not answer its read-back: whether it holds it is unknown.",
                    "noReadBack");
  std::vector<std::string> lines{ModuleName(ctx) + ": " + ValueLine(table, d, now)};
  uint16_t config = 0;
  if (!module->ReadSysConfig(id, config))
    return ctx.Fail("The value was set, but " + ModuleName(ctx) +
                        " did not answer the read-back of SysConfig: its enabling is unknown.",
                    "noReadBack");
  const bool byCommand = (config & 0x1000) != 0;
  if (byCommand != wantedByCommand)
    lines.emplace_back(
        "The module stays under enabling by command (SysConfig bit 12 set): going back to its "
        "digital input 'Enable' needs the confirmation that the input has been checked (--yes).");
  return ctx.Done(lines, ValueJson(ctx, table, d, now).Add("softwareEnabling", byCommand));
}

int ParamList(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty())
    return ctx.Usage("This command takes no arguments.", "zelctl --module ID param list");
  can::CanModule* module = ctx.Module();
  if (!module) return kExitFailed;
  int rc = kExitOk;
  if (!Compatible(ctx, *module, rc)) return rc;
  parameters::SystemParameterBlock block;
  if (!module->ReadAllTempParam(Id(ctx), block)) return NoAnswer(ctx, "ReadTempParam");
  auto& table = ctx.Zel()->Definitions();
  std::vector<std::string> lines;
  std::vector<JsonWriter> rows;
  std::size_t word = 0;
  for (int index = 0; index < table.SystemCount() && word < block.words.size(); ++index) {
    const ParameterDefinition d = table.At(index);
    uint32_t value = block.words[word++];
    if (d.width == ParameterDefinition::kWidth32 && word < block.words.size())
      value |= static_cast<uint32_t>(block.words[word++]) << 16;
    lines.push_back(ValueLine(table, d, value));
    rows.push_back(ValueJson(ctx, table, d, value));
  }
  return ctx.Done(lines, JsonWriter().Add("module", Id(ctx)).Add("parameters", rows));
}

int Param(CommandContext& ctx, const std::vector<std::string>& args) {
  const char* usage = "zelctl --module ID param get|set|list ...";
  if (args.empty()) return ctx.Usage("Say get, set or list.", usage);
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "get") return ParamGet(ctx, rest);
  if (args[0] == "set") return ParamSet(ctx, rest);
  if (args[0] == "list") return ParamList(ctx, rest);
  return ctx.Usage("Unknown param command '" + args[0] + "'.", usage);
}

int Simple(CommandContext& ctx, const std::vector<std::string>& args, const char* usage,
           bool (can::CanModule::*command)(uint16_t), const char* name, const char* done) {
  if (int rc = NoArguments(ctx, args, usage)) return rc;
  int rc = kExitOk;
  can::CanModule* module = Reach(ctx, rc);
  if (!module) return rc;
  if (!(module->*command)(Id(ctx))) return ctx.CommandFailed(name);
  return ctx.Done({done}, JsonWriter().Add("module", Id(ctx)));
}

int Enable(CommandContext& ctx, const std::vector<std::string>& args, bool enable) {
  if (int rc = NoArguments(ctx, args,
                           enable ? "zelctl --module ID enable" : "zelctl --module ID disable"))
    return rc;
  int rc = kExitOk;
  can::CanModule* module = Reach(ctx, rc);
  if (!module) return rc;
  if (enable && !ctx.Host().AskYesNo("Do you really want to enable the CAN Module " +
                                     std::to_string(Id(ctx)) + "?"))
    return ctx.Fail("The CAN module was not enabled.", "declined");
  if (!module->EnableModule(Id(ctx), enable)) return ctx.CommandFailed("EnableModule");
  uint16_t status = 0;
  if (!module->ReadSysStatus(Id(ctx), status)) return NoAnswer(ctx, "ReadSysStatus");
  uint16_t sysConfig = 0;
  const bool byCommand = module->ReadSysConfig(Id(ctx), sysConfig) && (sysConfig & 0x1000) != 0;
  const bool enabled = (status & kStatusEnabled) != 0;
  if (enabled != enable)
    return ctx.Fail(ModuleName(ctx) + " stays " + (enable ? "disabled" : "enabled") +
                        (byCommand ? " (status word " + NumberText::FormatHex16(status) + ")."
                                   : ": it is enabled by its digital input 'Enable' (SysConfig "
                                     "bit 12 clear), which the Enable command does not override."),
                    "driveState");
  return ctx.Done(
      {enable ? "The System is enabled!" : "The System is disabled!"},
      JsonWriter().Add("module", Id(ctx)).Add("enabled", enabled).AddWord("statusWord", status));
}

}  // namespace

void RegisterModuleCommands(CommandRegistry& registry) {
  registry.Add({"status", "the module's system status word", "zelctl --module ID status", Status});
  registry.Add({"errors", "the module's error word (same firmware as the ZEL only)",
                "zelctl --module ID errors", Errors});
  registry.Add({"clear-errors", "clear the module's errors", "zelctl --module ID clear-errors",
                ClearErrors});
  registry.Add({"version", "the module's identity", "zelctl --module ID version", Version});
  registry.Add({"param", "get, set (16-bit only) or list the module's temporary parameters",
                "zelctl --module ID param get|set|list ...", Param});
  registry.Add({"save", "save the module's temporary parameters to its EEPROM",
                "zelctl --module ID save",
                [](CommandContext& c, const std::vector<std::string>& a) {
                  return Simple(c, a, "zelctl --module ID save", &can::CanModule::SaveTempParam,
                                "SaveTempParam", "The temporary parameters are saved in EEPROM.");
                }});
  registry.Add(
      {"reset-params", "reload the module's temporary parameters from its EEPROM",
       "zelctl --module ID reset-params", [](CommandContext& c, const std::vector<std::string>& a) {
         return Simple(c, a, "zelctl --module ID reset-params", &can::CanModule::ResetTempParam,
                       "ResetTempParam", "The temporary parameters are reloaded from EEPROM.");
       }});
  registry.Add(
      {"enable", "enable the module by command (needs --yes)", "zelctl --module ID enable",
       [](CommandContext& c, const std::vector<std::string>& a) { return Enable(c, a, true); }});
  registry.Add(
      {"disable", "disable the module by command", "zelctl --module ID disable",
       [](CommandContext& c, const std::vector<std::string>& a) { return Enable(c, a, false); }});
}

}  // namespace zel::cli
