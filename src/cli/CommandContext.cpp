#include "cli/CommandContext.h"

#include "can/CanModule.h"

#include "cli/LinkFailure.h"
#include "cli/PortDiagnosis.h"
#include "link/AdapterLatency.h"
#include "link/PortMap.h"
#include "link/PosixSerialChannel.h"
#include "link/ResultCodes.h"
#include "link/ZelCommunication.h"

namespace zel::cli {

namespace {

void PrintPrefixed(std::ostream& err, const std::string& text) {
  err << "zelctl: ";
  for (char c : text) {
    err << c;
    if (c == '\n') err << "zelctl: ";
  }
  err << '\n';
}

}  // namespace

CommandContext::CommandContext(GlobalOptions options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err), host_(err, options_.assumeYes) {
  ui::SetCurrentHost(&host_);
}

CommandContext::~CommandContext() {
  module_.reset();
  if (zel_) zel_->Link().SetObserver(nullptr);
  zel_.reset();
  ui::SetCurrentHost(nullptr);
}

link::ZelCommunication* CommandContext::Zel() {
  if (zel_) return zel_.get();
  if (openFailed_) return nullptr;
  // The command line has already refused port names outside Com1..Com10, so path is set.
  const std::string path =
      options_.device.empty() ? link::PortMap::PathFor(options_.port) : options_.device;
  if (path.empty()) {
    openFailed_ = true;
    Fail(options_.port +
             " has no serial device: none is assigned to it and too few are present. "
             "`zelctl ports` shows the map; `zelctl ports assign " +
             options_.port + " PATH` gives it one.",
         "absent");
    return nullptr;
  }
  link::ChannelOpener opener = opener_ ? opener_ : link::PosixSerialChannel::OpenerForPath(path);
  auto zel = std::make_unique<link::ZelCommunication>(opener);
  if (options_.trace) {
    trace_ = std::make_unique<link::ExchangeTrace>(err_);
    zel->Link().SetObserver(trace_.get());
  }
  link::CommSettings settings;
  settings.portName = options_.device.empty() ? options_.port : "Com1";
  settings.baudRate = options_.baud;
  settings.timeoutMs = options_.timeoutMs;
  settings.transmitTrials = options_.trials;
  if (!zel->OpenLink(settings)) {
    openFailed_ = true;
    const std::string where =
        options_.device.empty() ? options_.port + " (" + path + ")" : options_.device;
    LinkFailure why = PortDiagnosis::Explain(where, PortDiagnosis::Examine(path),
                                             zel->Link().LastResult(), options_.baud);
    Fail(why.text, why.cause);
    return nullptr;
  }
  ShowPortWarnings();
  // Going back to hardware enabling lets the digital input start the motor: a script must say
  // --yes to confirm it has checked the input, as the desktop program's confirmation asks.
  zel->Status().SetHardwareEnablingConfirmation([this] {
    host_.ShowMessage(
        "ATTENTION!\nThe ZEL will be set to hardware enabling!\nCheck the digital input 'Enable' "
        "to avoid a damage of the mechanics!",
        ui::Icon::Warning);
    return host_.AskYesNo("Confirm that you've checked the 'Enable' input");
  });
  zel_ = std::move(zel);
  return zel_.get();
}

can::CanModule* CommandContext::Module() {
  if (module_) return module_.get();
  link::ZelCommunication* zel = Zel();
  if (zel == nullptr) return nullptr;
  module_ = std::make_unique<can::CanModule>(zel->Can(), zel->Parameter());
  module_->SetHardwareEnablingConfirmation([this](uint16_t id) {
    const std::string module = "The CAN Module " + std::to_string(id);
    host_.ShowMessage("ATTENTION!\n" + module +
                          " will be set to hardware enabling!\nCheck the digital input 'Enable' "
                          "to avoid a damage of the mechanics!",
                      ui::Icon::Warning);
    return host_.AskYesNo("Confirm that you've checked the 'Enable' input");
  });
  return module_.get();
}

void CommandContext::ShowPortWarnings() {
  if (const std::string warning = link::AdapterLatency::TakeWarning(); !warning.empty())
    PrintPrefixed(err_, warning);
}

int CommandContext::Fail(const std::string& text, const std::string& cause) {
  PrintPrefixed(err_, text);
  if (options_.json) {
    JsonWriter json;
    json.Add("ok", false).Add("error", text);
    if (!cause.empty()) json.Add("cause", cause);
    out_ << json.Str() << '\n';
  }
  return kExitFailed;
}

int CommandContext::FailShown(int exitCode) {
  if (options_.json) {
    JsonWriter json;
    json.Add("ok", false).Add("error", host_.LastMessage());
    if (exitCode == kExitUsage) json.Add("cause", "usage");
    out_ << json.Str() << '\n';
  }
  return exitCode;
}

int CommandContext::CommandFailed(const std::string& command, const std::string& whenRefused) {
  const LinkFailure why =
      LinkFailure::FromResult(zel_ ? zel_->Link().LastResult() : link::result::kNotOpen);
  std::string text = command + ": Command failed!\n" + why.text;
  if (why.Refused() && !whenRefused.empty()) text += " " + whenRefused;
  return Fail(text, why.cause);
}

int CommandContext::Usage(const std::string& text, const std::string& usage) {
  return ReportUsage(out_, err_, options_.json, text, usage);
}

int CommandContext::ReportUsage(std::ostream& out, std::ostream& err, bool json,
                                const std::string& text, const std::string& usage) {
  PrintPrefixed(err, text);
  if (!usage.empty()) err << "usage: " << usage << '\n';
  if (json) {
    JsonWriter object;
    object.Add("ok", false).Add("error", text).Add("cause", "usage");
    if (!usage.empty()) object.Add("usage", usage);
    out << object.Str() << '\n';
  }
  return kExitUsage;
}

int CommandContext::Done(const std::vector<std::string>& lines, JsonWriter json) {
  if (options_.json) {
    out_ << JsonWriter().Add("ok", true).Append(json).Str() << '\n';
  } else {
    for (const auto& line : lines) out_ << line << '\n';
  }
  return kExitOk;
}

}  // namespace zel::cli
