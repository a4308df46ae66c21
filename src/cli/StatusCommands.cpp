#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "link/ZelCommunication.h"
#include "monitor/ErrorListing.h"
#include "monitor/StatusWordText.h"

namespace zel::cli {

namespace {

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%.4X", value);
  return text;
}

int NoArguments(CommandContext& ctx, const std::vector<std::string>& args, const char* usage) {
  return args.empty() ? kExitOk : ctx.Usage("This command takes no arguments.", usage);
}

int Version(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl version")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  uint16_t sw = 0, hw = 0, appNumber = 0, appVersion = 0;
  if (!zel->Parameter().ReadVersion(sw, hw, appNumber, appVersion))
    return ctx.Fail("ReadVersion: Command failed!");
  return ctx.Done(
      {"Software Version:    " + Hex4(sw), "Hardware Version:    " + Hex4(hw),
       "Application Number:  " + Hex4(appNumber), "Application Version: " + Hex4(appVersion)},
      JsonWriter()
          .Add("softwareVersion", Hex4(sw))
          .Add("hardwareVersion", Hex4(hw))
          .Add("applicationNumber", Hex4(appNumber))
          .Add("applicationVersion", Hex4(appVersion)));
}

int Status(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl status")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  uint16_t word = 0;
  if (!zel->Status().ReadSysStatus(word)) return ctx.Fail("ReadSysStatus: Command failed!");
  std::vector<std::string> lines{"Status word: " + Hex4(word)};
  std::vector<JsonWriter> bits;
  for (int bit = 0; bit < monitor::StatusWordText::kBits; ++bit) {
    bool set = monitor::StatusWordText::IsSet(word, bit);
    std::string text = monitor::StatusWordText::BitText(word, bit);
    char line[128];
    std::snprintf(line, sizeof line, "  bit %2d [%c] %s", bit, set ? 'x' : ' ', text.c_str());
    lines.emplace_back(line);
    bits.push_back(JsonWriter().Add("bit", bit).Add("set", set).Add("text", text));
  }
  return ctx.Done(lines, JsonWriter().Add("statusWord", Hex4(word)).Add("bits", bits));
}

// Lists both error words the way the status view does: standard errors first, then CAN errors.
int Errors(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl errors")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  uint16_t standard = 0;
  if (!zel->Status().ReadError(standard)) return ctx.Fail("ReadError: Command failed!");
  // The CAN error word is status value 138; a ZEL without a CAN interface may not answer it.
  constexpr int16_t kCanErrorParameter = 138;
  uint16_t can = 0;
  bool haveCan = zel->Parameter().ReadTempParam(kCanErrorParameter, can);

  auto rows = monitor::ErrorListing::List(standard, monitor::ErrorWordKind::Standard);
  if (haveCan) {
    auto canRows = monitor::ErrorListing::List(can, monitor::ErrorWordKind::Can);
    rows.insert(rows.end(), canRows.begin(), canRows.end());
  }
  std::vector<std::string> lines{
      "Error word: " + Hex4(standard),
      haveCan ? "CAN error word: " + Hex4(can) : std::string("CAN error word: not available")};
  std::vector<JsonWriter> jsonRows;
  for (const auto& row : rows) {
    lines.push_back("  " + row.name + "  " + row.meaning);
    jsonRows.push_back(
        JsonWriter().Add("bit", row.bit).Add("name", row.name).Add("meaning", row.meaning));
  }
  lines.push_back(monitor::ErrorListing::CountText(rows.size()));
  JsonWriter json;
  json.Add("errorWord", Hex4(standard));
  if (haveCan) json.Add("canErrorWord", Hex4(can));
  json.Add("errors", jsonRows).Add("summary", monitor::ErrorListing::CountText(rows.size()));
  return ctx.Done(lines, json);
}

int ClearErrors(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl clear-errors")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  if (!zel->Status().ClearError()) return ctx.Fail("ClearError: Command failed!");
  return ctx.Done({"Errors are cleared!"}, JsonWriter());
}

int EnableCommand(CommandContext& ctx, const std::vector<std::string>& args, bool enable) {
  if (int rc = NoArguments(ctx, args, enable ? "zelctl enable" : "zelctl disable")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  if (!zel->Status().Enable(enable)) return ctx.Fail("Enable: Command failed!");
  return ctx.Done({enable ? "The System is enabled!" : "The System is disabled!"},
                  JsonWriter().Add("enabled", enable));
}

int ResetSoftware(CommandContext& ctx, const std::vector<std::string>& args) {
  if (int rc = NoArguments(ctx, args, "zelctl reset-software")) return rc;
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  if (!zel->Status().ResetSoftware()) return ctx.Fail("ResetSoftware: Command failed!");
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
  registry.Add({"clear-errors", "clear the ZEL's errors", "zelctl clear-errors", ClearErrors});
  registry.Add({"enable", "enable the drive by software (takes effect with software enabling)",
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
