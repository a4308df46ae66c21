#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/DriveState.h"
#include "cli/InterruptGuard.h"
#include "cli/NumberArgument.h"
#include "cli/ParameterRef.h"
#include "link/SerialParameterDevice.h"
#include "link/ZelCommunication.h"
#include "parameters/EnableSuspension.h"

namespace zel::cli {

namespace {

using parameters::NumberFormat;
using parameters::ParameterDefinition;

constexpr int16_t kSysConfig = 1;
constexpr uint16_t kServiceModeBit = link::ParameterGroup::kServiceModeBit;
constexpr uint16_t kSoftwareEnablingBit = link::ParameterGroup::kSoftwareEnablingBit;

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
// definitions; null after reporting why not, with the exit status in rc.
link::ZelCommunication* OpenAndResolve(CommandContext& ctx, const std::string& text,
                                       ParameterDefinition& definition, int& rc) {
  rc = kExitFailed;
  auto* zel = ctx.Zel();
  if (!zel) return nullptr;
  std::string error;
  switch (ParameterRef::Resolve(zel->Definitions(), text, definition, error)) {
    case ParameterRef::Outcome::kFound:
      return zel;
    case ParameterRef::Outcome::kMalformed:
      rc = ctx.Usage(error, kGetUsage);
      return nullptr;
    case ParameterRef::Outcome::kUnknown:
      ctx.Fail(error, "unknownParameter");
      return nullptr;
  }
  return nullptr;
}

int Get(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return ctx.Usage("Give one parameter.", kGetUsage);
  ParameterDefinition d;
  int rc = kExitOk;
  auto* zel = OpenAndResolve(ctx, args[0], d, rc);
  if (!zel) return rc;
  auto& table = zel->Definitions();
  uint32_t value = 0;
  if (!zel->Parameter().ReadTempParam(d.number, static_cast<uint16_t>(d.width), value))
    return ctx.CommandFailed("ReadTempParam");
  std::string unit = d.unit.empty() ? "" : " " + d.unit;
  return ctx.Done({Describe(d) + " = " + Format(table, d.number, value, NumberFormat::kDecimal) +
                   unit + " (" + Format(table, d.number, value, NumberFormat::kHexadecimal) + ")"},
                  ValueJson(table, d, value));
}

// What the enable guard left behind that the user did not ask for, in words that say how to get
// the drive back. wantedSoftwareEnabling is the enable source the write should end with.
std::vector<std::string> EnableNotes(bool sysConfigWritten, bool wantedSoftwareEnabling,
                                     bool previousEnabled, const DriveState& now) {
  std::vector<std::string> notes;
  if (sysConfigWritten)
    notes.emplace_back(
        "SysConfig bit 12 (enabling by software) was set while the value was written, so that "
        "the drive stayed off under the new configuration; the value's own bit 12 then chose "
        "how the drive is enabled.");
  if (wantedSoftwareEnabling != now.SoftwareEnabling())
    notes.emplace_back(
        "The ZEL stays under enabling by software (SysConfig bit 12 set): going back to enabling "
        "by the digital input 'Enable' needs the confirmation that the input has been checked "
        "(--yes).");
  if (previousEnabled && !now.Enabled())
    notes.emplace_back(now.SoftwareEnabling()
                           ? "The drive stays disabled, with enabling by software. Re-enable it "
                             "with `zelctl --yes enable`."
                           : "The drive stays disabled: the digital input 'Enable' is off.");
  return notes;
}

// The single-parameter edit: check the text and the limits before anything goes on the line,
// refuse what the current SysConfig does not let the user change, and keep the drive disabled
// while the value is written (re-enabling only when confirmed).
int Set(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return ctx.Usage("Give a parameter and a value.", kSetUsage);
  const NumberArgument text(args[1]);
  if (text.Empty()) return ctx.Usage(NumberArgument::kEmptyMessage, kSetUsage);
  ParameterDefinition d;
  int rc = kExitOk;
  auto* zel = OpenAndResolve(ctx, args[0], d, rc);
  if (!zel) return rc;
  auto& table = zel->Definitions();

  int32_t value = 0;
  // A minus sign on a parameter without sign is too small, not "not a decimal number".
  const bool isSigned = table.IsSigned(d.number) != 0;
  if (!text.Hexadecimal() && !isSigned && text.Text()[0] == '-')
    return ctx.Usage(text.Message(parameters::NumberTextError::kNotDecimal, false), kSetUsage);
  if (!table.ParseText(d.number, text.Text(), text.Format(), true, value))
    return ctx.FailShown(kExitUsage);
  if (!table.CheckRange(d.number, value, true)) return ctx.FailShown();

  uint16_t sysConfig = 0;
  if (!zel->Parameter().ReadTempParam(kSysConfig, sysConfig))
    return ctx.CommandFailed("ReadTempParam");
  if (!table.IsEditable(d.number, sysConfig))
    return ctx.Fail("The parameter '" + d.name + "' " + WhyNotEditable(d, sysConfig) + ".");

  // A stop request waits until the drive is put back: the sequence is short.
  InterruptGuard interrupts;
  link::SerialParameterDevice device(zel->Parameter(), zel->Status());
  parameters::EnableSuspension suspension(device);
  if (!suspension.Suspend(true))
    return suspension.LeftWith().empty()
               ? ctx.CommandFailed("SuspendEnable")
               : ctx.Fail("SuspendEnable: Command failed!\n" + suspension.LeftWith());
  const bool previousSoftwareEnabling = device.PreviousSoftwareEnabling();
  const bool previousEnabled = device.PreviousEnabled();
  uint32_t written = static_cast<uint32_t>(value);
  // SysConfig keeps software enabling while the guard holds the drive. Its own bit 12 is the
  // enable source the user chose, so the guard ends with that one rather than the old one (as
  // the desktop's parameter sheet does); otherwise a script could never leave software enabling.
  const bool sysConfigWritten = d.number == kSysConfig;
  const bool wantedSoftwareEnabling =
      sysConfigWritten ? (written & kSoftwareEnablingBit) != 0 : previousSoftwareEnabling;
  if (sysConfigWritten) written |= kSoftwareEnablingBit;
  bool set = zel->Parameter().SetTempParam(d.number, static_cast<uint16_t>(d.width), written);
  bool resumed = suspension.Resume(true, wantedSoftwareEnabling);
  if (!set)
    return resumed ? ctx.CommandFailed("SetTempParam")
                   : ctx.Fail("SetTempParam: Command failed!\n" + suspension.LeftWith());
  if (!resumed)
    return ctx.Fail("The value was set, but restoring the enable state failed!\n" +
                    suspension.LeftWith());
  // Show what the ZEL holds now: the enable guard may have changed SysConfig again.
  uint32_t now = written;
  DriveState drive;
  if (!zel->Parameter().ReadTempParam(d.number, static_cast<uint16_t>(d.width), now))
    return ctx.CommandFailed("The value was set, but reading it back failed. ReadTempParam");
  // The ZEL drops a value it does not take without a word; SysConfig's bit 12 is the enable
  // guard's.
  const uint32_t compared = d.width ? 0xFFFFFFFFu : (sysConfigWritten ? 0xEFFFu : 0xFFFFu);
  if ((now & compared) != (written & compared))
    return ctx.Fail("The ZEL kept " + Format(table, d.number, now, NumberFormat::kDecimal) + " (" +
                        Format(table, d.number, now, NumberFormat::kHexadecimal) +
                        "): the value was not taken.",
                    "notTaken");
  if (int rc = DriveState::ReadBack(ctx, *zel, "The value was set", drive)) return rc;
  std::string unit = d.unit.empty() ? "" : " " + d.unit;
  std::vector<std::string> notes =
      EnableNotes(sysConfigWritten, wantedSoftwareEnabling, previousEnabled, drive);
  std::vector<std::string> lines{
      Describe(d) + " set: now " + Format(table, d.number, now, NumberFormat::kDecimal) + unit +
      " (" + Format(table, d.number, now, NumberFormat::kHexadecimal) + ")"};
  lines.insert(lines.end(), notes.begin(), notes.end());
  return ctx.Done(lines, ValueJson(table, d, now)
                             .Add("driveEnabled", drive.Enabled())
                             .Add("softwareEnabling", drive.SoftwareEnabling())
                             .Add("notes", notes));
}

int List(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return ctx.Usage("This command takes no arguments.", "zelctl param list");
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  auto& table = zel->Definitions();
  parameters::SystemParameterBlock block;
  if (!zel->Parameter().ReadAllTempParam(block)) return ctx.CommandFailed("ReadAllTempParam");
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
  if (!(zel->Parameter().*command)()) return ctx.CommandFailed(name);
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
