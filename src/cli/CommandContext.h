#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliHost.h"
#include "cli/JsonWriter.h"
#include "link/ByteChannel.h"
#include "link/ExchangeTrace.h"

namespace zel::link {
class ZelCommunication;
}
namespace zel::can {
class CanModule;
}

namespace zel::cli {

// Exit statuses: scripts tell a refused command line from a device that did not do the work.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct GlobalOptions {
  std::string port = "Com1";
  std::string device;  // a path that bypasses the ComN mapping
  int32_t baud = 38400;
  int32_t timeoutMs = 100;
  int32_t trials = 4;
  std::string package;  // firmware package whose error maps name the errors
  bool json = false;
  bool assumeYes = false;
  bool trace = false;  // every exchange, decoded, on the error stream
  int32_t module = 0;  // a CAN module behind the ZEL that the device commands go to; 0: the ZEL
};

// What one zelctl command works with: the options, the output streams, the host that stands in
// for message boxes (installed as the current host for the context's lifetime), and the
// communication stack, which is built and opened only when a command first needs the ZEL.
class CommandContext {
 public:
  CommandContext(GlobalOptions options, std::ostream& out, std::ostream& err);
  ~CommandContext();

  const GlobalOptions& Options() const { return options_; }
  std::ostream& Out() { return out_; }
  std::ostream& Err() { return err_; }
  // Shows what the port found amiss on open (a slow adapter) on stderr, once.
  void ShowPortWarnings();

  // The opened stack; null after writing why the port could not be opened.
  link::ZelCommunication* Zel();
  // The module operations over the opened stack (--module); null when the port did not open.
  can::CanModule* Module();
  // Tests hand in a scripted or pseudo-terminal line instead of the POSIX mapping.
  void SetOpener(link::ChannelOpener opener) { opener_ = std::move(opener); }

  // Reports a failure (stderr, and an error object on stdout with --json, with cause when given);
  // returns kExitFailed.
  int Fail(const std::string& text, const std::string& cause = "");
  // Reports a failure whose text a message box (the host's last) has already written to the
  // error stream; returns exitCode (kExitUsage when the box refused what was typed).
  int FailShown(int exitCode = kExitFailed);
  // Reports that the named device command failed, and why, from the link's last result;
  // whenRefused is added when the ZEL itself refused it.
  int CommandFailed(const std::string& command, const std::string& whenRefused = "");
  CliHost& Host() { return host_; }
  // Reports a wrong command line with the command's usage; returns kExitUsage.
  int Usage(const std::string& text, const std::string& usage);
  // The same before any context exists (the options themselves are wrong).
  static int ReportUsage(std::ostream& out, std::ostream& err, bool json, const std::string& text,
                         const std::string& usage);
  // Writes a success: the human lines, or the JSON object with "ok": true.
  int Done(const std::vector<std::string>& lines, JsonWriter json);

 private:
  GlobalOptions options_;
  std::ostream& out_;
  std::ostream& err_;
  CliHost host_;
  link::ChannelOpener opener_;
  std::unique_ptr<link::ExchangeTrace> trace_;
  std::unique_ptr<link::ZelCommunication> zel_;
  std::unique_ptr<can::CanModule> module_;
  bool openFailed_ = false;
};

}  // namespace zel::cli
