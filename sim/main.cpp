// zelsim: a simulated ZEL on a pseudo-terminal, serving until SIGINT or SIGTERM.

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/Simulator.h"

namespace {

constexpr const char* kUsage =
    "usage: zelsim --link PATH [--baud N] [--paced] [--software WORD] [--hardware WORD]\n"
    "              [--app-number WORD] [--app-version WORD] [--password XXXX]\n"
    "              [--enable-input on|off] [--verbose]\n"
    "Serves a simulated ZEL on a pseudo-terminal linked at PATH until SIGINT or SIGTERM.\n"
    "  --baud N          the only line rate the device answers at (default 38400)\n"
    "  --paced           send bytes no faster than the line rate (10 bits a byte)\n"
    "  --software WORD   identity words reported by ReadVersion (decimal or 0x hex);\n"
    "  --hardware WORD   defaults 0x1040, 0x0200, 0x0001, 0x0100\n"
    "  --app-number WORD\n"
    "  --app-version WORD\n"
    "  --password XXXX   the four characters that open service mode (default ZELS)\n"
    "  --enable-input    state of the digital input 'Enable' (default on)\n"
    "  --verbose         log every frame to stderr\n";

bool ParseNumber(const char* text, unsigned long max, unsigned long& value) {
  if (text == nullptr || *text == '\0' || *text == '-') return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoul(text, &end, 0);
  return errno == 0 && *end == '\0' && value <= max;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "zelsim: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  zel::sim::SimulatorOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto word = [&](uint16_t& target) {
      unsigned long number = 0;
      if (!ParseNumber(value, 0xFFFF, number)) return false;
      target = static_cast<uint16_t>(number);
      ++i;
      return true;
    };
    if (option == "--help" || option == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (option == "--link" && value != nullptr) {
      options.linkPath = value;
      ++i;
    } else if (option == "--baud") {
      unsigned long number = 0;
      if (!ParseNumber(value, 4000000, number) || number == 0) {
        return Fail("--baud needs a rate in bit/s");
      }
      options.baud = static_cast<uint32_t>(number);
      ++i;
    } else if (option == "--paced") {
      options.paced = true;
    } else if (option == "--verbose") {
      options.verbose = true;
    } else if (option == "--software") {
      if (!word(options.device.identity.softwareVersion)) return Fail("--software needs a word");
    } else if (option == "--hardware") {
      if (!word(options.device.identity.hardwareVersion)) return Fail("--hardware needs a word");
    } else if (option == "--app-number") {
      if (!word(options.device.identity.applicationNumber)) {
        return Fail("--app-number needs a word");
      }
    } else if (option == "--app-version") {
      if (!word(options.device.identity.applicationVersion)) {
        return Fail("--app-version needs a word");
      }
    } else if (option == "--password") {
      if (value == nullptr || std::strlen(value) != 4) {
        return Fail("--password needs exactly four characters");
      }
      options.device.password = value;
      ++i;
    } else if (option == "--enable-input") {
      std::string state = value != nullptr ? value : "";
      if (state != "on" && state != "off") return Fail("--enable-input needs on or off");
      options.device.enableInput = state == "on";
      ++i;
    } else {
      return Fail("unknown or incomplete option " + option);
    }
  }
  if (options.linkPath.empty()) return Fail("--link PATH is required");

  // Block the stop signals before the serving thread exists, so only sigwait below sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  zel::sim::Simulator simulator(options);
  std::string error;
  if (!simulator.Start(&error)) {
    std::fprintf(stderr, "zelsim: %s\n", error.c_str());
    return 1;
  }
  std::printf("zelsim: serving %s at %u bit/s\n", options.linkPath.c_str(), options.baud);
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stopSignals, &signal);
  simulator.Stop();
  return 0;
}
