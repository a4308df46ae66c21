#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/NumberArgument.h"
#include "link/AddrVariableText.h"
#include "link/ZelCommunication.h"
#include "parameters/NumberText.h"

namespace zel::cli {

namespace {

using link::AddrVariableFormat;
using parameters::NumberText;
using parameters::NumberTextError;

const char* kServiceUsage = "zelctl service enter <password> | zelctl service quit";
const char* kAddrUsage =
    "zelctl addr get <address> [s16|u16|s32|u32]\n"
    "       zelctl addr set <address> <value> [s16|u16|s32|u32]\n"
    "  numbers are decimal; 0x marks hexadecimal (addr get 0x0500)";

int Service(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "enter") {
    const std::string& password = args[1];
    if (password.size() < link::ServiceGroup::kPasswordLength)
      return ctx.Fail("The password is too short!");
    auto* zel = ctx.Zel();
    if (!zel) return kExitFailed;
    uint16_t answer = 0;
    // A longer password is never sent: the ZEL compares exactly four characters.
    if (!zel->Service().Service(password, answer)) return ctx.Fail("The communication failed!");
    if (answer != link::ServiceGroup::kPasswordAccepted)
      return ctx.Fail("The password is NOT correct!");
    return ctx.Done({"The password is correct!", "You are in service mode now!"},
                    JsonWriter().Add("serviceMode", true));
  }
  if (args.size() == 1 && args[0] == "quit") {
    auto* zel = ctx.Zel();
    if (!zel) return kExitFailed;
    if (!zel->Parameter().QuitServiceMode()) return ctx.Fail("Failed quitting service mode!");
    return ctx.Done({"You have just quit the service mode!"},
                    JsonWriter().Add("serviceMode", false));
  }
  return ctx.Usage("Say enter <password> or quit.", kServiceUsage);
}

bool ParseFormat(const std::string& text, AddrVariableFormat& format) {
  if (text == "s16")
    format = AddrVariableFormat::kSigned16;
  else if (text == "u16")
    format = AddrVariableFormat::kUnsigned16;
  else if (text == "s32")
    format = AddrVariableFormat::kSigned32;
  else if (text == "u32")
    format = AddrVariableFormat::kUnsigned32;
  else
    return false;
  return true;
}

int Addr(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() < 2) return ctx.Usage("Say get or set and an address.", kAddrUsage);
  bool set = args[0] == "set";
  if (!set && args[0] != "get")
    return ctx.Usage("Unknown addr command '" + args[0] + "'.", kAddrUsage);
  size_t formatIndex = set ? 3 : 2;
  if (args.size() > formatIndex + 1 || (set && args.size() < 3))
    return ctx.Usage("Wrong number of arguments.", kAddrUsage);

  int64_t address = 0;
  std::string error;
  if (!NumberArgument(args[1]).ToInteger(0, 0xFFFF, address, error))
    return ctx.Usage("Address: " + error, kAddrUsage);
  AddrVariableFormat format = AddrVariableFormat::kSigned16;
  if (args.size() > formatIndex && !ParseFormat(args[formatIndex], format))
    return ctx.Usage("Unknown format '" + args[formatIndex] + "'.", kAddrUsage);
  uint16_t width = link::ServiceGroup::WidthOf(format);

  uint32_t value = 0;
  if (set) {
    const NumberArgument text(args[2]);
    if (text.Empty()) return ctx.Usage(NumberArgument::kEmptyMessage, kAddrUsage);
    NumberTextError e =
        link::AddrVariableText::Parse(format, text.Text(), text.Hexadecimal(), value);
    if (e != NumberTextError::kNone)
      return ctx.Usage(text.Message(e, link::AddrVariableText::IsSigned(format)), kAddrUsage);
  }
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  char where[16];
  std::snprintf(where, sizeof where, "0x%.4X", static_cast<unsigned>(address));
  if (set) {
    uint16_t answer = 0;
    if (!zel->Service().SetAddrVariable(static_cast<uint16_t>(address), width, value, answer))
      return ctx.CommandFailed("SetAddrVariable");
    if (!link::ServiceGroup::IsAccepted(answer))
      return ctx.Fail("The parameter is NOT set!\nThe ZEL is not in service mode!");
  } else if (!zel->Service().ReadAddrVariable(static_cast<uint16_t>(address), width, value)) {
    return ctx.CommandFailed(
        "ReadAddrVariable", "Some addresses answer only in service mode (`zelctl service enter`).");
  }
  zel->Service().SetLastAddrVariable({static_cast<uint16_t>(address), format, value});
  char hex[16];
  std::snprintf(hex, sizeof hex, width ? "0x%.8X" : "0x%.4X", value);
  return ctx.Done(
      {std::string(where) + (set ? " set to " : " = ") +
       link::AddrVariableText::Format(format, value, false) + " (" + hex + ")"},
      JsonWriter()
          .AddWord("address", static_cast<uint16_t>(address))
          .Add("value", std::stoll(link::AddrVariableText::Format(format, value, false)))
          .Add("hex", hex));
}

}  // namespace

void RegisterServiceCommands(CommandRegistry& registry) {
  registry.Add(
      {"service", "enter service mode with the password, or quit it", kServiceUsage, Service});
  registry.Add(
      {"addr", "read or write a ZEL variable by address (service mode only)", kAddrUsage, Addr});
}

}  // namespace zel::cli
