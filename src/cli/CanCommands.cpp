#include <cstdio>
#include <optional>

#include "can/CanModule.h"
#include "cli/CanNetworkCommands.h"
#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/NumberArgument.h"
#include "cli/PackageErrorMaps.h"
#include "link/CanBitRateTable.h"
#include "link/RtrConfiguration.h"
#include "link/ZelCommunication.h"
#include "monitor/CErrorMapList.h"
#include "monitor/ErrorListing.h"
#include "parameters/NumberText.h"

namespace zel::cli {

namespace {

using link::CanBitRateTable;
using link::CanGateway;
using link::RtrConfiguration;
using link::RtrEntry;
using parameters::NumberText;

const char* kUsage =
    "zelctl can [show]\n"
    "       zelctl can set module-id|service-id|rpdo-id|tpdo-id|opmode <value>\n"
    "       zelctl can set bitrate <index 0..7 | text such as 500kBit/s>\n"
    "       zelctl can reset | reset-error\n"
    "       zelctl can rtr show <module>\n"
    "       zelctl can rtr add <module> <channel 0|1> param <number|name>\n"
    "       zelctl can rtr add <module> <channel 0|1> addr <address> word|lword\n"
    "       zelctl can rtr clear <module> <channel 0|1>\n"
    "       zelctl can rtr store <module> [--id0 ID] [--id1 ID] [--active0 on|off] "
    "[--active1 on|off]\n"
    "       zelctl can scan [--to N]\n"
    "       zelctl can search [--count N] [--bitrate TEXT|INDEX]\n"
    "       zelctl can set-id ID [--yes]";

constexpr int16_t kCanModuleId = 30;
constexpr int16_t kCanConfig = 41;
constexpr uint16_t kPdoActive = 0x4000;
constexpr uint16_t kCanCommandsVersion = 0x1000;

struct CanParameter {
  int16_t number;
  const char* label;
  const char* key;
};

constexpr CanParameter kShown[] = {
    {30, "Module ID", "moduleId"},        {31, "Service ID", "serviceId"},
    {32, "Receive PDO ID", "rpdoId"},     {33, "Transmit PDO ID", "tpdoId"},
    {36, "CAN operation mode", "opMode"}, {37, "Receive SDO ID", "rsdoId"},
    {38, "Transmit SDO ID", "tsdoId"},    {39, "RTR channel 0 ID", "rtr0Id"},
    {40, "RTR channel 1 ID", "rtr1Id"},   {41, "CAN_Config", "canConfig"},
};

// The gateway's software version selects the command variants; it is read once per command.
link::ZelCommunication* OpenGateway(CommandContext& ctx, int& rc) {
  rc = kExitFailed;
  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return nullptr;
  uint16_t sw = 0, hw = 0, number = 0, version = 0;
  if (!zel->Parameter().ReadVersion(sw, hw, number, version)) {
    rc = ctx.CommandFailed("ReadVersion");
    return nullptr;
  }
  zel->Can().SetSoftwareVersion(sw);
  rc = kExitOk;
  return zel;
}

bool ReadWord(link::ZelCommunication& zel, int16_t number, uint16_t& word) {
  return zel.Parameter().ReadTempParam(number, word);
}

int Show(CommandContext& ctx) {
  int rc = kExitOk;
  link::ZelCommunication* zel = OpenGateway(ctx, rc);
  if (!zel) return rc;
  std::vector<std::string> lines;
  JsonWriter json;
  for (const CanParameter& p : kShown) {
    uint16_t word = 0;
    if (!ReadWord(*zel, p.number, word)) return ctx.CommandFailed("ReadTempParam");
    char line[96];
    std::snprintf(line, sizeof line, "%-20s %5u (0x%.4X)", p.label, word, word);
    lines.emplace_back(line);
    json.AddWord(p.key, word);
  }
  uint16_t bcr1 = 0, bcr2 = 0, config = 0;
  if (!ReadWord(*zel, 34, bcr1) || !ReadWord(*zel, 35, bcr2) || !ReadWord(*zel, kCanConfig, config))
    return ctx.CommandFailed("ReadTempParam");
  const int index = CanBitRateTable::IndexOf(bcr1, bcr2);
  char rate[96];
  std::snprintf(rate, sizeof rate, "%-20s %s (BCR1 0x%.4X, BCR2 %u)", "Bit rate",
                CanBitRateTable::Text(index).c_str(), bcr1, bcr2);
  lines.emplace_back(rate);
  const bool pdo = (config & kPdoActive) != 0;
  const bool rtr0 = (config & RtrConfiguration::kChannel0Active) != 0;
  const bool rtr1 = (config & RtrConfiguration::kChannel1Active) != 0;
  lines.push_back(std::string("PDO                  ") + (pdo ? "active" : "inactive"));
  lines.push_back(std::string("RTR channel 0        ") + (rtr0 ? "active" : "inactive"));
  lines.push_back(std::string("RTR channel 1        ") + (rtr1 ? "active" : "inactive"));
  json.Add("bitRateIndex", index)
      .Add("bitRate", CanBitRateTable::Text(index))
      .AddWord("bcr1", bcr1)
      .AddWord("bcr2", bcr2)
      .Add("pdoActive", pdo)
      .Add("rtr0Active", rtr0)
      .Add("rtr1Active", rtr1);
  // The CAN error word came with the CAN commands after 0x1000.
  if (zel->Can().SoftwareVersion() > kCanCommandsVersion) {
    uint16_t error = 0;
    if (!zel->Can().ReadCANError(error)) return ctx.CommandFailed("ReadCANError");
    monitor::CErrorMapList maps;
    monitor::ErrorLookup lookup;
    if (!ctx.Options().package.empty()) {
      if (!LoadErrorMaps(ctx, *zel, maps)) return kExitFailed;
      lookup = maps.AsLookup();
    }
    auto rows = monitor::ErrorListing::List(error, monitor::ErrorWordKind::Can, lookup);
    lines.push_back("CAN error word       " + NumberText::FormatHex16(error));
    std::vector<JsonWriter> jsonRows;
    for (const auto& row : rows) {
      lines.push_back("  " + row.name + "  " + row.meaning);
      jsonRows.push_back(
          JsonWriter().Add("bit", row.bit).Add("name", row.name).Add("meaning", row.meaning));
    }
    json.AddWord("canErrorWord", error).Add("canErrors", jsonRows);
  }
  return ctx.Done(lines, json);
}

// A value for a gateway parameter, checked by the parameter's definition before anything is
// sent.
int ParseChecked(CommandContext& ctx, link::ZelCommunication& zel, int16_t number,
                 const std::string& argument, uint16_t& word) {
  const NumberArgument text(argument);
  if (text.Empty()) return ctx.Usage(NumberArgument::kEmptyMessage, kUsage);
  auto& table = zel.Definitions();
  int32_t value = 0;
  if (!text.Hexadecimal() && !table.IsSigned(number) && text.Text()[0] == '-')
    return ctx.Usage(text.Message(parameters::NumberTextError::kNotDecimal, false), kUsage);
  if (!table.ParseText(number, text.Text(), text.Format(), true, value))
    return ctx.FailShown(kExitUsage);
  if (!table.CheckRange(number, value, true)) return ctx.FailShown();
  word = static_cast<uint16_t>(value);
  return kExitOk;
}

// Reads the parameter back: the gateway command's acknowledge says only that the frame arrived.
int Confirm(CommandContext& ctx, link::ZelCommunication& zel, int16_t number, uint16_t wanted,
            const std::string& label) {
  uint16_t now = 0;
  if (!ReadWord(zel, number, now)) return ctx.CommandFailed("ReadTempParam");
  if (now != wanted)
    return ctx.Fail("The ZEL took the command but keeps " + label + " " + std::to_string(now) + ".",
                    "notApplied");
  return ctx.Done(
      {label + " set to " + std::to_string(now) + " (" + NumberText::FormatHex16(now) + ")"},
      JsonWriter().Add("parameter", number).AddWord("value", now));
}

int SetBitRate(CommandContext& ctx, link::ZelCommunication& zel, const std::string& text) {
  int index = CanBitRateTable::IndexOfText(text);
  if (index < 0) {
    int64_t number = 0;
    std::string why;
    if (!NumberArgument(text).ToInteger(0, CanBitRateTable::kCount - 1, number, why))
      return ctx.Usage("Bit rate '" + text +
                           "': give an index 0..7 or one of 1MBit/s, 800kBit/s, 500kBit/s, "
                           "250kBit/s, 125kBit/s, 50kBit/s, 20kBit/s, 10kBit/s.",
                       kUsage);
    index = static_cast<int>(number);
  }
  const CanBitRateTable::Registers pair = CanBitRateTable::RegistersOf(index);
  CanGateway& can = zel.Can();
  bool ok = can.NewCommandSet() ? can.SetBCR1BCR2(pair.bcr1, pair.bcr2)
                                : can.SetCanBCR1(pair.bcr1) && can.SetCanBCR2(pair.bcr2);
  if (!ok) return ctx.CommandFailed(can.NewCommandSet() ? "SetBCR1BCR2" : "SetCanBCR1/2");
  uint16_t bcr1 = 0, bcr2 = 0;
  if (!ReadWord(zel, 34, bcr1) || !ReadWord(zel, 35, bcr2))
    return ctx.CommandFailed("ReadTempParam");
  const int now = CanBitRateTable::IndexOf(bcr1, bcr2);
  if (now != index)
    return ctx.Fail("The ZEL took the command but runs at " + CanBitRateTable::Text(now) + ".",
                    "notApplied");
  return ctx.Done({"Bit rate set to " + CanBitRateTable::Text(now) +
                   " (modules at another bit rate no longer answer)"},
                  JsonWriter().Add("bitRateIndex", now).Add("bitRate", CanBitRateTable::Text(now)));
}

int Set(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return ctx.Usage("Say what to set and the value.", kUsage);
  int rc = kExitOk;
  link::ZelCommunication* zel = OpenGateway(ctx, rc);
  if (!zel) return rc;
  CanGateway& can = zel->Can();
  if (args[0] == "bitrate") return SetBitRate(ctx, *zel, args[1]);
  struct Target {
    const char* name;
    int16_t number;
    bool (CanGateway::*command)(uint16_t);
    const char* label;
  };
  static const Target kTargets[] = {
      {"module-id", kCanModuleId, &CanGateway::SetModuleID, "Module ID"},
      {"service-id", 31, &CanGateway::SetServiceID, "Service ID"},
      {"rpdo-id", 32, &CanGateway::SetRPDOID, "Receive PDO ID"},
      {"tpdo-id", 33, &CanGateway::SetTPDOID, "Transmit PDO ID"},
      {"opmode", 36, &CanGateway::SetCanMode, "CAN operation mode"},
  };
  for (const Target& target : kTargets) {
    if (args[0] != target.name) continue;
    // From 0x1040 the ZEL sets these itself; the commands are those of older firmware.
    const bool oldOnly = target.number == 31 || target.number == 33 || target.number == 36;
    if (oldOnly && can.NewCommandSet())
      return ctx.Fail(std::string(target.label) +
                          " is set by the ZEL itself from software version 0x1040; the command "
                          "is not offered.",
                      "version");
    uint16_t word = 0;
    if (int r = ParseChecked(ctx, *zel, target.number, args[1], word)) return r;
    if (!(can.*target.command)(word)) return ctx.CommandFailed(target.name);
    return Confirm(ctx, *zel, target.number, word, target.label);
  }
  return ctx.Usage("Unknown CAN setting '" + args[0] + "'.", kUsage);
}

int Reset(CommandContext& ctx, bool errorOnly) {
  int rc = kExitOk;
  link::ZelCommunication* zel = OpenGateway(ctx, rc);
  if (!zel) return rc;
  CanGateway& can = zel->Can();
  if (!(errorOnly ? can.ResetCANError() : can.ResetCAN()))
    return ctx.CommandFailed(errorOnly ? "ResetCANError" : "ResetCAN");
  return ctx.Done({errorOnly ? "The CAN error is reset." : "The CAN controller is reset."},
                  JsonWriter());
}

// --- RTR configuration of a module ------------------------------------------------------------

std::string EntryText(const parameters::CParameterTable& table, const RtrEntry& entry) {
  char text[128];
  const char* width = entry.LongWord() ? "LWord" : "Word";
  if (entry.AddressMode()) {
    std::snprintf(text, sizeof text, "0x%.4x (%s) %s", entry.param,
                  table.NameForAddress(entry.param).c_str(), width);
  } else {
    std::snprintf(text, sizeof text, "%u %s %s", entry.param, table.Name(entry.param).c_str(),
                  width);
  }
  return text;
}

int ShowRtr(CommandContext& ctx, link::ZelCommunication& zel, const RtrConfiguration& rtr,
            const std::string& headline) {
  std::vector<std::string> lines{headline};
  std::vector<JsonWriter> channels;
  for (int channel = 0; channel < RtrConfiguration::kChannels; ++channel) {
    const RtrConfiguration::Channel& c = rtr.At(channel);
    lines.push_back("Channel " + std::to_string(channel) + (c.active ? " active" : " inactive") +
                    ", RTR ID " + NumberText::FormatHex16(c.id) + ", " +
                    std::to_string(rtr.WordsUsed(channel)) + " of 4 words");
    std::vector<JsonWriter> entries;
    for (const RtrEntry& entry : c.entries) {
      lines.push_back("  " + EntryText(zel.Definitions(), entry));
      entries.push_back(
          JsonWriter().AddWord("paramSel", entry.paramSel).AddWord("param", entry.param));
    }
    channels.push_back(JsonWriter()
                           .Add("channel", channel)
                           .Add("active", c.active)
                           .AddWord("id", c.id)
                           .Add("entries", entries));
  }
  return ctx.Done(lines, JsonWriter().Add("module", rtr.Destination()).Add("channels", channels));
}

int ParseModule(CommandContext& ctx, const std::string& text, uint16_t& module) {
  int64_t value = 0;
  std::string why;
  if (!NumberArgument(text).ToInteger(1, 127, value, why))
    return ctx.Usage("Module ID: " + why, kUsage);
  module = static_cast<uint16_t>(value);
  return kExitOk;
}

int ParseChannel(CommandContext& ctx, const std::string& text, int& channel) {
  if (text != "0" && text != "1") return ctx.Usage("The channel is 0 or 1.", kUsage);
  channel = text == "1" ? 1 : 0;
  return kExitOk;
}

// The entry the add command describes, as the "Add RTR Parameter" dialog forms it: in parameter
// mode the width follows the definition.
int ParseEntry(CommandContext& ctx, link::ZelCommunication& zel,
               const std::vector<std::string>& args, int channel, RtrEntry& entry) {
  if (args.size() < 2)
    return ctx.Usage("Say param <number|name> or addr <address> <width>.", kUsage);
  auto& table = zel.Definitions();
  if (args[0] == "param" && args.size() == 2) {
    for (int index = 0; index < table.Count(); ++index) {
      const parameters::ParameterDefinition d = table.At(index);
      if (args[1] == d.name || args[1] == std::to_string(d.number)) {
        entry = RtrEntry::Make(channel, false, d.width == parameters::ParameterDefinition::kWidth32,
                               static_cast<uint16_t>(d.number));
        return kExitOk;
      }
    }
    return ctx.Fail("No parameter '" + args[1] + "' in the definitions.", "unknownParameter");
  }
  if (args[0] == "addr" && args.size() == 3 && (args[2] == "word" || args[2] == "lword")) {
    int64_t address = 0;
    std::string why;
    if (!NumberArgument(args[1]).ToInteger(0, 0xFFFF, address, why))
      return ctx.Usage("Address: " + why, kUsage);
    entry = RtrEntry::Make(channel, true, args[2] == "lword", static_cast<uint16_t>(address));
    return kExitOk;
  }
  return ctx.Usage("Say param <number|name> or addr <address> word|lword.", kUsage);
}

int ParseOnOff(CommandContext& ctx, const std::string& text, bool& on) {
  if (text != "on" && text != "off") return ctx.Usage("Say on or off.", kUsage);
  on = text == "on";
  return kExitOk;
}

int Rtr(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() < 2) return ctx.Usage("Say show, add, clear or store and a module.", kUsage);
  uint16_t module = 0;
  if (int rc = ParseModule(ctx, args[1], module)) return rc;
  const std::string& what = args[0];
  if (what != "show" && what != "add" && what != "clear" && what != "store")
    return ctx.Usage("Unknown rtr command '" + what + "'.", kUsage);
  int channel = 0;
  if ((what == "add" || what == "clear") &&
      (args.size() < 3 || ParseChannel(ctx, args[2], channel) != kExitOk))
    return args.size() < 3 ? ctx.Usage("Give the channel.", kUsage) : kExitUsage;
  int rc = kExitOk;
  link::ZelCommunication* zel = OpenGateway(ctx, rc);
  if (!zel) return rc;
  if (!zel->Can().NewCommandSet())
    return ctx.Fail(
        "The RTR configuration is only available from software version 0x1040 "
        "and higher!",
        "version");
  RtrEntry entry;
  if (what == "add") {
    if (int r = ParseEntry(ctx, *zel, std::vector<std::string>(args.begin() + 3, args.end()),
                           channel, entry))
      return r;
  }
  // Options of store, checked before anything is read.
  std::optional<uint16_t> ids[2];
  std::optional<bool> active[2];
  if (what == "store") {
    for (std::size_t i = 2; i < args.size(); i += 2) {
      if (i + 1 >= args.size()) return ctx.Usage(args[i] + " needs a value.", kUsage);
      const std::string& name = args[i];
      const int c = name.back() == '1' ? 1 : 0;
      if (name == "--id0" || name == "--id1") {
        // Checked as the channel's identifier parameter, as the "Set RTR ID" dialog does.
        uint16_t id = 0;
        if (int r = ParseChecked(ctx, *zel, c == 0 ? 39 : 40, args[i + 1], id)) return r;
        ids[c] = id;
      } else if (name == "--active0" || name == "--active1") {
        bool on = false;
        if (int r = ParseOnOff(ctx, args[i + 1], on)) return r;
        active[c] = on;
      } else {
        return ctx.Usage("Unknown option " + name + ".", kUsage);
      }
    }
  } else if (args.size() > (what == "show" ? 2u : what == "clear" ? 3u : args.size())) {
    return ctx.Usage("Too many arguments.", kUsage);
  }

  RtrConfiguration rtr(zel->Can());
  if (!rtr.Read(module)) {
    return ctx.Fail("Reading the RTR configuration of CAN module " + std::to_string(module) +
                        ": Command failed!\nNo answer through the gateway: the module is absent "
                        "or listens at another bit rate.",
                    "noAnswer");
  }
  const std::string headline = "RTR Channel Configuration of CAN Module " + std::to_string(module);
  if (what == "show") return ShowRtr(ctx, *zel, rtr, headline);
  if (what == "add") {
    if (!rtr.MayAdd(channel) || !rtr.Add(entry)) return ctx.FailShown();
  } else if (what == "clear") {
    rtr.Clear(channel);
  } else {
    for (int c = 0; c < 2; ++c) {
      if (ids[c]) rtr.At(c).id = *ids[c];
      if (active[c]) rtr.At(c).active = *active[c];
    }
  }
  if (!rtr.Store()) return ctx.CommandFailed("Storing the RTR configuration");
  // Show what the module holds now.
  RtrConfiguration now(zel->Can());
  if (!now.Read(module)) return ctx.Fail("Stored, but reading it back failed.", "noAnswer");
  return ShowRtr(ctx, *zel, now, headline);
}

// --- Module search at the gateway's bit rate ----------------------------------------------

int Scan(CommandContext& ctx, const std::vector<std::string>& args) {
  int64_t last = 127;
  if (!args.empty()) {
    std::string why;
    if (args.size() != 2 || args[0] != "--to" ||
        !NumberArgument(args[1]).ToInteger(1, 127, last, why))
      return ctx.Usage(why.empty() ? "Say --to N." : "--to: " + why, "zelctl can scan [--to N]");
  }
  int rc = kExitOk;
  link::ZelCommunication* zel = OpenGateway(ctx, rc);
  if (!zel) return rc;
  uint16_t bcr1 = 0, bcr2 = 0;
  if (!ReadWord(*zel, 34, bcr1) || !ReadWord(*zel, 35, bcr2))
    return ctx.CommandFailed("ReadTempParam");
  const std::string rate = CanBitRateTable::Text(CanBitRateTable::IndexOf(bcr1, bcr2));
  can::CanModule module(zel->Can(), zel->Parameter());
  std::vector<std::string> lines{"Modules answering at " + rate + ":"};
  std::vector<JsonWriter> found;
  for (uint16_t id = 1; id <= last; ++id) {
    uint16_t answered = 0;
    if (!zel->Can().ReadModuleIdOf(id, answered)) continue;
    can::CanModule::Identity identity;
    if (!module.ReadIdentity(id, identity)) continue;
    char line[160];
    std::snprintf(line, sizeof line,
                  "  %3u  %s  software 0x%.4X  hardware 0x%.4X  application 0x%.4x / 0x%.4x", id,
                  rate.c_str(), identity.softwareVersion, identity.hardwareVersion,
                  identity.applicationNumber, identity.applicationVersion);
    lines.emplace_back(line);
    found.push_back(JsonWriter()
                        .Add("module", id)
                        .Add("bitRate", rate)
                        .AddWord("softwareVersion", identity.softwareVersion)
                        .AddWord("hardwareVersion", identity.hardwareVersion)
                        .AddWord("applicationNumber", identity.applicationNumber)
                        .AddWord("applicationVersion", identity.applicationVersion));
  }
  if (found.empty()) lines.emplace_back("  none");
  return ctx.Done(lines, JsonWriter().Add("bitRate", rate).Add("modules", found));
}

int Can(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.empty() || (args.size() == 1 && args[0] == "show")) return Show(ctx);
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "set") return Set(ctx, rest);
  if (args[0] == "reset" && rest.empty()) return Reset(ctx, false);
  if (args[0] == "reset-error" && rest.empty()) return Reset(ctx, true);
  if (args[0] == "rtr") return Rtr(ctx, rest);
  if (args[0] == "scan") return Scan(ctx, rest);
  if (args[0] == "search") return CanSearch(ctx, rest);
  if (args[0] == "set-id") return CanSetId(ctx, rest);
  return ctx.Usage("Unknown can command '" + args[0] + "'.", kUsage);
}

}  // namespace

void RegisterCanCommands(CommandRegistry& registry) {
  registry.Add({"can",
                "the ZEL's CAN settings and error word, set them, RTR lists of a module, scan the "
                "bus",
                kUsage, Can});
}

}  // namespace zel::cli
