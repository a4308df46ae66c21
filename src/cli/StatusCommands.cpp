#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/DriveState.h"
#include "cli/ErrorRows.h"
#include "cli/PackageErrorMaps.h"
#include "link/ZelCommunication.h"
#include "monitor/CErrorMapList.h"
#include "monitor/ErrorClearing.h"
#include "monitor/ErrorListing.h"
#include "monitor/StatusWordText.h"
#include "parameters/NumberText.h"

namespace zel::cli {

namespace {

using parameters::NumberText;

int NoArguments(CommandContext& ctx, const std::vector<std::string>& args, const char* usage) {
  return args.empty() ? kExitOk : ctx.Usage("This command takes no arguments.", usage);
}

int Version(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl version")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  uint16_t sw = 0, hw = 0, appNumber = 0, appVersion = 0;
  if (!zel->Parameter().ReadVersion(sw, hw, appNumber, appVersion))
    return ctx.CommandFailed("ReadVersion");
  return ctx.Done({"Software Version:    " + NumberText::FormatHex16(sw),
                   "Hardware Version:    " + NumberText::FormatHex16(hw),
                   "Application Number:  " + NumberText::FormatHex16(appNumber),
                   "Application Version: " + NumberText::FormatHex16(appVersion)},
                  JsonWriter()
                      .AddWord("softwareVersion", sw)
                      .AddWord("hardwareVersion", hw)
                      .AddWord("applicationNumber", appNumber)
                      .AddWord("applicationVersion", appVersion));
}

int Status(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl status")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  uint16_t word = 0;
  if (!zel->Status().ReadSysStatus(word)) return ctx.CommandFailed("ReadSysStatus");
  std::vector<std::string> lines{"Status word: " + NumberText::FormatHex16(word)};
  std::vector<JsonWriter> bits;
  for (int bit = 0; bit < monitor::StatusWordText::kBits; ++bit) {
    bool set = monitor::StatusWordText::IsSet(word, bit);
    std::string text = monitor::StatusWordText::BitText(word, bit);
    char line[128];
    std::snprintf(line, sizeof line, "  bit %2d [%c] %s", bit, set ? 'x' : ' ', text.c_str());
    lines.emplace_back(line);
    bits.push_back(JsonWriter().Add("bit", bit).Add("set", set).Add("text", text));
  }
  return ctx.Done(lines, JsonWriter().AddWord("statusWord", word).Add("bits", bits));
}

// Lists both error words the way the status view does: standard errors first, then CAN errors.
int Errors(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl errors")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  uint16_t standard = 0;
  if (!zel->Status().ReadError(standard)) return ctx.CommandFailed("ReadError");
  // The CAN error word is status value 138; a ZEL without a CAN interface may not answer it.
  constexpr int16_t kCanErrorParameter = 138;
  uint16_t can = 0;
  bool haveCan = zel->Parameter().ReadTempParam(kCanErrorParameter, can);

  monitor::CErrorMapList maps;
  monitor::ErrorLookup lookup;
  if (!ctx.Options().package.empty()) {
    if (!LoadErrorMaps(ctx, *zel, maps)) return kExitFailed;
    lookup = maps.AsLookup();
  }
  auto rows = monitor::ErrorListing::List(standard, monitor::ErrorWordKind::Standard, lookup);
  if (haveCan) {
    auto canRows = monitor::ErrorListing::List(can, monitor::ErrorWordKind::Can, lookup);
    rows.insert(rows.end(), canRows.begin(), canRows.end());
  }
  std::vector<std::string> lines{"Error word: " + NumberText::FormatHex16(standard),
                                 haveCan ? "CAN error word: " + NumberText::FormatHex16(can)
                                         : std::string("CAN error word: not available")};
  std::vector<JsonWriter> jsonRows = AppendErrorRows(rows, lines);
  JsonWriter json;
  json.AddWord("errorWord", standard);
  if (haveCan) json.AddWord("canErrorWord", can);
  json.Add("errors", jsonRows).Add("summary", monitor::ErrorListing::CountText(rows.size()));
  return ctx.Done(lines, json);
}

int ClearErrors(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl clear-errors")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  // A drive still enabled switches its power stage on again once the errors are gone and runs
  // up to its set value: a script confirms that with --yes, as the desktop program asks.
  const monitor::ErrorClearing::Check check =
      monitor::ErrorClearing::CheckRestart(zel->Parameter(), zel->Status());
  if (!check.failedRead.empty()) return ctx.CommandFailed(check.failedRead);
  if (!check.question.empty() && !ctx.Host().AskYesNoDefaultNo(check.question))
    return ctx.Fail("The errors were not cleared.", "declined");
  if (!zel->Status().ClearError()) return ctx.CommandFailed("ClearError");
  return ctx.Done({"Errors are cleared!"}, JsonWriter());
}

int EnableCommand(CommandContext& ctx, const std::vector<std::string>& args, bool enable) {
  if (int rc = NoArguments(ctx, args, enable ? "zelctl enable" : "zelctl disable")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  // Enabling by software lets the motor follow its set value at once; a script has to confirm
  // with --yes, as for every other way of enabling the drive. Nothing is sent on a No.
  if (enable && !ctx.Host().AskYesNo("Do you really want to enable the ZEL?"))
    return ctx.Fail("The ZEL was not enabled.", "declined");
  if (!zel->Status().Enable(enable)) return ctx.CommandFailed("Enable");
  // The acknowledge says only that the frame arrived; the status word says what the drive does.
  DriveState state;
  if (int rc = DriveState::ReadBack(ctx, *zel, "Enable was sent", state)) return rc;
  // The desktop program's Enable says the same.
  const std::vector<std::string> lines =
      link::StatusGroup::EnableOutcome(enable, {state.sysConfig, state.status});
  if (state.Enabled() != enable) return ctx.Fail(lines.front(), "driveState");
  return ctx.Done(lines, state.Json());
}

int ResetSoftware(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl reset-software")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  if (!zel->Status().ResetSoftware()) return ctx.CommandFailed("ResetSoftware");
  return ctx.Done({"The ZEL's software has been reset."}, JsonWriter());
}

}  // namespace

void RegisterStatusCommands(CommandRegistry& registry) {
  registry.Add({"version", "read the ZEL's software, hardware and application versions",
                "zelctl version", Version});
  registry.Add(
      {"status", "read the system status word and decode its bits", "zelctl status", Status});
  registry.Add(
      {"errors", "read and list the standard and CAN error words", "zelctl errors", Errors});
  registry.Add({"clear-errors",
                "clear the ZEL's errors (needs --yes when the drive would run again)",
                "zelctl clear-errors", ClearErrors});
  registry.Add({"enable",
                "enable the drive by software (needs --yes; takes effect with software enabling)",
                "zelctl enable", [](CommandContext& c, const std::vector<std::string>& a) {
                  return EnableCommand(c, a, true);
                }});
  registry.Add({"disable", "disable the drive by software", "zelctl disable",
                [](CommandContext& c, const std::vector<std::string>& a) {
                  return EnableCommand(c, a, false);
                }});
  registry.Add(
      {"reset-software", "restart the ZEL's software", "zelctl reset-software", ResetSoftware});
}

}  // namespace zel::cli
