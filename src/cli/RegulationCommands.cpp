#include <memory>
#include <string>
#include <vector>

#include "app/RegulationModeSequence.h"
#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "link/ZelCommunication.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"
#include "views/CCurrentRegulationView.h"
#include "views/CSpeedRegulationView.h"

namespace zel::cli {

namespace {

using app::RegulationModeSequence;
using views::CRegulationView;

constexpr const char* kUsage = "zelctl regulation [--json]";
constexpr const char* kModeUsage = "zelctl regulation mode speed|current [--yes]";
// The views' and the main window's text for a failed exchange.
constexpr const char* kNotOnline = CRegulationView::kNotOnlineSettings;

// Where a setting comes from: software, or the potentiometer its SysConfig bit names.
std::string SourceOf(const CRegulationView::Setting& setting, std::uint16_t sysConfig) {
  if ((sysConfig & setting.softwareBit) != 0) return "software";
  switch (setting.softwareBit) {
    case 0x0100:
      return "P1";
    case 0x0200:
      return "P2";
    case 0x0400:
      return "P3";
    default:
      return "P4";
  }
}

// What the view of the ZEL's regulation mode shows after its re-read.
int Show(CommandContext& ctx, link::ZelCommunication& zel) {
  std::uint16_t sysConfig = 0;
  if (!zel.Parameter().ReadTempParam(1, sysConfig)) {
    ui::CurrentHost().ShowMessage(kNotOnline);
    return ctx.FailShown();
  }
  const bool speed = CRegulationView::ModeOf(sysConfig) == RegulationModeSequence::kSpeed;
  std::unique_ptr<CRegulationView> view;
  if (speed) {
    view = std::make_unique<views::CSpeedRegulationView>();
  } else {
    view = std::make_unique<views::CCurrentRegulationView>();
  }
  view->SetCommunication(&zel);
  if (!view->ReRead() || !view->ReReadActual()) return ctx.FailShown();

  const std::string unit = speed ? "rpm" : "mA";
  const std::uint16_t c = view->SysConfig();
  const bool fromInput = view->Value(CRegulationView::kIdSetValueInput) != 0;
  const bool currentMonitor = view->Value(CRegulationView::kIdCurrentMonitor) != 0;
  std::vector<std::string> lines;
  lines.push_back(std::string("Regulation mode:  ") + (speed ? "speed" : "current"));
  lines.push_back("SysConfig:        " + parameters::NumberText::FormatHex16(c));
  lines.push_back("Set value:        " + view->Text(CRegulationView::kIdSetValue) + " " + unit +
                  (fromInput ? "  (from the 'Set value' input)" : "  (by software)"));
  lines.push_back("Actual value:     " + view->Text(CRegulationView::kIdActual));
  lines.push_back("Drive:            " + view->Text(CRegulationView::kIdEnable) +
                  (speed ? ", " + view->Text(CRegulationView::kIdStop) : ""));
  lines.push_back(std::string("Monitor signal:   ") + (currentMonitor ? "current" : "speed"));
  JsonWriter json;
  json.Add("mode", speed ? "speed" : "current").AddWord("sysConfig", c);
  json.Add("setValue", view->SetValueShown()).Add("unit", unit);
  json.Add("setValueSource", fromInput ? "input" : "software");
  json.Add("actualValue", view->DisplayedActual()).Add("enabled", view->DriveEnabled());
  if (speed) json.Add("stopped", static_cast<views::CSpeedRegulationView&>(*view).Stopped());
  json.Add("monitorSignal", currentMonitor ? "current" : "speed");

  std::vector<JsonWriter> settings;
  for (const CRegulationView::Setting& s : view->Settings()) {
    const std::string source = SourceOf(s, c);
    std::string name = s.name + ":";
    name.resize(18, ' ');
    lines.push_back(name + view->Text(s.editId) + "  (" + view->Text(s.minLabelId) + " .. " +
                    view->Text(s.maxLabelId) + ", " + source + ")");
    JsonWriter one;
    one.Add("number", s.number).Add("name", s.name).Add("value", s.value);
    one.Add("min", s.minimum).Add("max", s.maximum).Add("source", source);
    settings.push_back(std::move(one));
  }
  json.Add("settings", settings);

  JsonWriter inputs;
  std::string active;
  for (const ui::Control& control : view->Controls()) {
    if (control.kind != ui::ControlKind::CheckBox) continue;
    inputs.Add(control.text, control.value != 0);
    active += (active.empty() ? "" : ", ") + control.text + (control.value ? " yes" : " no");
  }
  lines.push_back("Inputs:           " + active);
  json.Add("inputs", inputs);
  return ctx.Done(lines, json);
}

// The main window's change of regulation mode, its question and messages included.
int ChangeMode(CommandContext& ctx, link::ZelCommunication& zel, int mode) {
  if (!RegulationModeSequence::Change(zel.Parameter(), zel.Status(), mode)) {
    ui::CurrentHost().ShowMessage(kNotOnline);
    return ctx.FailShown();
  }
  const int now = RegulationModeSequence::Check(zel.Parameter());
  const std::string wanted = mode == RegulationModeSequence::kSpeed ? "speed" : "current";
  if (now != mode) {
    return ctx.Fail("The ZEL is not in the " + wanted + " regulation mode.");
  }
  return ctx.Done({"Regulation mode:  " + wanted}, JsonWriter().Add("mode", wanted));
}

int Regulation(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "mode") {
    if (args.size() != 2 || (args[1] != "speed" && args[1] != "current"))
      return ctx.Usage("Name the mode: speed or current.", kModeUsage);
    link::ZelCommunication* zel = ctx.Zel();
    if (!zel) return kExitFailed;
    return ChangeMode(
        ctx, *zel,
        args[1] == "speed" ? RegulationModeSequence::kSpeed : RegulationModeSequence::kCurrent);
  }
  if (!args.empty()) return ctx.Usage("Unknown argument '" + args[0] + "'.", kUsage);
  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  return Show(ctx, *zel);
}

}  // namespace

void RegisterRegulationCommands(CommandRegistry& registry) {
  registry.Add({"regulation",
                "what the speed or current regulation view shows: mode, sources, limits, set and "
                "actual value; 'regulation mode speed|current' switches the mode",
                std::string(kUsage) + "\n" + kModeUsage +
                    "\n\n  (no argument)  the view of the ZEL's regulation mode, read once\n"
                    "  mode M         change to speed or current regulation as the main "
                    "window's tabs do:\n"
                    "                 the drive is disabled meanwhile and stays disabled under "
                    "software enabling;\n"
                    "                 --yes answers the question",
                Regulation});
}

}  // namespace zel::cli
