#include "cli/CommandContext.h"

#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"

namespace zel::cli {

CommandContext::CommandContext(GlobalOptions options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err), host_(err, options_.assumeYes) {
  ui::SetCurrentHost(&host_);
}

CommandContext::~CommandContext() {
  zel_.reset();
  ui::SetCurrentHost(nullptr);
}

link::ZelCommunication* CommandContext::Zel() {
  if (zel_) return zel_.get();
  if (openFailed_) return nullptr;
  link::ChannelOpener opener = opener_;
  if (!opener) {
    opener = options_.device.empty() ? link::PosixSerialChannel::Opener()
                                     : link::PosixSerialChannel::OpenerForPath(options_.device);
  }
  auto zel = std::make_unique<link::ZelCommunication>(opener);
  link::CommSettings settings;
  settings.portName = options_.device.empty() ? options_.port : "Com1";
  settings.baudRate = options_.baud;
  settings.timeoutMs = options_.timeoutMs;
  settings.transmitTrials = options_.trials;
  if (!zel->OpenLink(settings)) {
    openFailed_ = true;
    std::string where = options_.device.empty()
                            ? options_.port + " (" +
                                  link::PosixSerialChannel::DevicePathFor(
                                      link::SerialPort::DeviceNameFor(options_.port)) +
                                  ")"
                            : options_.device;
    Fail("Cannot open the serial port " + where +
         ": it is absent, held by another program, or does not take " +
         std::to_string(options_.baud) + " bit/s.");
    return nullptr;
  }
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

int CommandContext::Fail(const std::string& text) {
  err_ << "zelctl: ";
  for (char c : text) {
    err_ << c;
    if (c == '\n') err_ << "zelctl: ";
  }
  err_ << '\n';
  if (options_.json) {
    out_ << JsonWriter().Add("ok", false).Add("error", text).Str() << '\n';
  }
  return kExitFailed;
}

int CommandContext::FailShown() {
  if (options_.json) {
    out_ << JsonWriter().Add("ok", false).Add("error", host_.LastMessage()).Str() << '\n';
  }
  return kExitFailed;
}

int CommandContext::Usage(const std::string& text, const std::string& usage) {
  err_ << "zelctl: " << text << "\nusage: " << usage << '\n';
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
