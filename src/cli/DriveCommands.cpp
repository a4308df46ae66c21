#include <cmath>
#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/DriveState.h"
#include "cli/NumberArgument.h"
#include "common/DecimalRound.h"
#include "link/ZelCommunication.h"
#include "parameters/NumberText.h"

namespace zel::cli {

namespace {

using parameters::NumberFormat;

// The status values that hold the set values: their definitions give the allowed range.
constexpr int16_t kCurrentSetValue = 131;
constexpr int16_t kSpeedSetValue = 133;
// From this software version on the ZEL delivers the measured current directly.
constexpr uint16_t kDirectCurrentVersion = 0x1020;

// A set value, decimal or 0x hexadecimal, checked against the definition of its status value,
// so a typo never reaches the motor. Returns the exit status of a refusal (after saying why), or
// kExitOk with value set.
int ParseSetValue(CommandContext& ctx, link::ZelCommunication& zel, int16_t number,
                  const NumberArgument& text, const char* usage, int16_t& value) {
  auto& table = zel.Definitions();
  parameters::ParameterDefinition d;
  if (!table.Find(number, d)) {
    parameters::NumberTextError e = parameters::NumberTextError::kNone;
    if (text.Hexadecimal()) {
      uint16_t word = 0;
      e = parameters::NumberText::ParseHex16(text.Text(), word);
      value = static_cast<int16_t>(word);
    } else {
      e = parameters::NumberText::ParseInt16(text.Text(), value);
    }
    if (e == parameters::NumberTextError::kNone) return kExitOk;
    return ctx.Usage(text.Message(e, true), usage);
  }
  int32_t parsed = 0;
  if (!table.ParseText(number, text.Text(), text.Format(), true, parsed))
    return ctx.FailShown(kExitUsage);
  if (!table.CheckRange(number, parsed, true)) return ctx.FailShown();
  value = static_cast<int16_t>(parsed);
  return kExitOk;
}

int SetValue(CommandContext& ctx, const std::vector<std::string>& args, bool velocity) {
  const char* usage = velocity ? "zelctl velocity <rpm>" : "zelctl current <set value>";
  if (args.size() != 1) return ctx.Usage("Give one set value.", usage);
  const NumberArgument text(args[0]);
  if (text.Empty()) return ctx.Usage(NumberArgument::kEmptyMessage, usage);
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  int16_t value = 0;
  if (int rc = ParseSetValue(ctx, *zel, velocity ? kSpeedSetValue : kCurrentSetValue, text, usage,
                             value))
    return rc;
  bool ok = velocity ? zel->Drive().SetVelocity(value) : zel->Drive().SetCurrent(value);
  if (!ok) return ctx.CommandFailed(velocity ? "SetVelocity" : "SetCurrent");
  char line[64];
  std::snprintf(line, sizeof line,
                velocity ? "Velocity set value: %i rpm" : "Current set value: %i", value);
  return ctx.Done({line}, JsonWriter().Add(velocity ? "velocity" : "current", value));
}

int ToggleStop(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return ctx.Usage("This command takes no arguments.", "zelctl stop");
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  // Toggling a stopped drive releases the stop and the motor runs up to its set value again, so
  // that direction needs --yes. Without a status word the direction is unknown: nothing is sent.
  uint16_t before = 0;
  if (!zel->Status().ReadSysStatus(before)) return ctx.CommandFailed("ReadSysStatus");
  const bool wasStopped = (before & link::StatusGroup::kDriveStoppedBit) != 0;
  if (wasStopped && !ctx.Host().AskYesNo("The drive is stopped; toggling releases the stop.\n"
                                         "Do you really want to let the motor run?"))
    return ctx.Fail("The stop was not released.", "declined");
  if (!zel->Drive().ToggleStop()) return ctx.CommandFailed("ToggleStop");
  // The acknowledge says only that the frame arrived; the status word says what the drive does.
  DriveState after;
  if (int rc = DriveState::ReadBack(ctx, *zel, "ToggleStop was sent", after)) return rc;
  if (after.Stopped() == wasStopped)
    return ctx.Fail(std::string("ToggleStop was sent, but the ZEL still reports the drive ") +
                        (wasStopped ? "stopped" : "running") + " (status word " +
                        parameters::NumberText::FormatHex16(after.status) + ").",
                    "driveState");
  return ctx.Done(
      {after.Stopped() ? "Stop toggled: the drive is stopped." : "Stop toggled: the drive runs."},
      after.Json());
}

int ReadVelocity(CommandContext& ctx, link::ZelCommunication& zel) {
  int16_t actual = 0, demand = 0;
  if (!zel.Measurement().ReadVelocityIsMust(0, actual, demand))
    return ctx.CommandFailed("ReadVelocityIsMust");
  char a[64], d[64];
  std::snprintf(a, sizeof a, "Velocity actual: %i rpm", actual);
  std::snprintf(d, sizeof d, "Velocity demand: %i rpm", demand);
  return ctx.Done({a, d}, JsonWriter().Add("actual", actual).Add("demand", demand));
}

int ReadCurrent(CommandContext& ctx, link::ZelCommunication& zel) {
  uint16_t sw = 0, hw = 0, appNumber = 0, appVersion = 0;
  if (!zel.Parameter().ReadVersion(sw, hw, appNumber, appVersion))
    return ctx.CommandFailed("ReadVersion");
  int16_t dCurrent = 0, qCurrent = 0, demand = 0, rotorAngle = 0;
  if (!zel.Measurement().ReadCurrentsWithRotorAngle(0, dCurrent, qCurrent, demand, rotorAngle))
    return ctx.CommandFailed("ReadCurrentIsMust");
  // Older firmware sends the axis currents only; their amplitude is the actual current.
  double actual =
      sw < kDirectCurrentVersion
          ? common::Round(
                2.0 * std::sqrt(double(dCurrent) * dCurrent + double(qCurrent) * qCurrent), 0)
          : qCurrent;
  char lines[4][64];
  std::snprintf(lines[0], sizeof lines[0], "Current actual: %.0f mA", actual);
  std::snprintf(lines[1], sizeof lines[1], "Current demand: %i mA", demand);
  std::snprintf(lines[2], sizeof lines[2], "D/Q-axis current: %i / %i mA", dCurrent, qCurrent);
  std::snprintf(lines[3], sizeof lines[3], "Rotor angle: %i qc", rotorAngle);
  return ctx.Done({lines[0], lines[1], lines[2], lines[3]},
                  JsonWriter()
                      .Add("actual", static_cast<int64_t>(actual))
                      .Add("demand", demand)
                      .Add("dAxis", dCurrent)
                      .Add("qAxis", qCurrent)
                      .Add("rotorAngle", rotorAngle));
}

int ReadPosition(CommandContext& ctx, link::ZelCommunication& zel) {
  int32_t actual = 0, demand = 0;
  if (!zel.Measurement().ReadPositionIsMust(actual, demand))
    return ctx.CommandFailed("ReadPositionIsMust");
  char a[64], d[64];
  std::snprintf(a, sizeof a, "Position actual: %i qc", actual);
  std::snprintf(d, sizeof d, "Position demand: %i qc", demand);
  return ctx.Done({a, d}, JsonWriter()
                              .Add("actual", static_cast<int64_t>(actual))
                              .Add("demand", static_cast<int64_t>(demand)));
}

int Read(CommandContext& ctx, const std::vector<std::string>& args) {
  const char* usage = "zelctl read velocity|current|position";
  if (args.size() != 1) return ctx.Usage("Say what to read.", usage);
  if (args[0] != "velocity" && args[0] != "current" && args[0] != "position")
    return ctx.Usage("Unknown measurement '" + args[0] + "'.", usage);
  auto* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  if (args[0] == "velocity") return ReadVelocity(ctx, *zel);
  if (args[0] == "current") return ReadCurrent(ctx, *zel);
  return ReadPosition(ctx, *zel);
}

}  // namespace

void RegisterDriveCommands(CommandRegistry& registry) {
  registry.Add({"velocity", "command the speed set value (rpm, checked against its limits)",
                "zelctl velocity <rpm>", [](CommandContext& c, const std::vector<std::string>& a) {
                  return SetValue(c, a, true);
                }});
  registry.Add(
      {"current", "command the current set value (checked against its limits)",
       "zelctl current <set value>",
       [](CommandContext& c, const std::vector<std::string>& a) { return SetValue(c, a, false); }});
  registry.Add(
      {"stop", "toggle the drive's stop (releasing it needs --yes)", "zelctl stop", ToggleStop});
  registry.Add({"read", "read actual and demanded velocity, currents or position",
                "zelctl read velocity|current|position", Read});
}

}  // namespace zel::cli
