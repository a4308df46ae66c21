// zelctl firmware: the flash image of a package version, and the firmware download.

#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "cli/BrokenOutputGuard.h"
#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/InterruptGuard.h"
#include "cli/OptionArguments.h"
#include "cli/ParameterBackup.h"
#include "cli/StepTimesFile.h"
#include "files/AtomicFileWriter.h"
#include "firmware/BootLoaderSession.h"
#include "firmware/CoffImage.h"
#include "firmware/DownloadController.h"
#include "firmware/DownloadEventQueue.h"
#include "firmware/DownloadVerdict.h"
#include "firmware/DriveDisableCheck.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/NewDefaultParameters.h"
#include "link/SerialParameterDevice.h"
#include "link/ZelCommunication.h"

namespace zel::cli {

namespace {

using firmware::DownloadEvent;
using firmware::DownloadMethod;
using firmware::DriveDisableCheck;

constexpr const char* kImageUsage = "zelctl firmware image <file.bin> [version] -o <file>";
constexpr const char* kDownloadUsage =
    "zelctl firmware download <file.bin> [version] [--method standard|ti|jtag] [--no-backup]\n"
    "       [--new-defaults] [--yes]";
constexpr const char* kUsage =
    "zelctl firmware image <file.bin> [version] -o <file>\n"
    "       zelctl firmware download <file.bin> [version] [--method standard|ti|jtag]\n"
    "                                [--no-backup] [--new-defaults] [--yes]\n"
    "  [version] is a package directory; it may be left out when the package holds one.\n"
    "  A download first saves the ZEL's parameters to a .udf file in zelctl's settings\n"
    "  directory and does not start when that fails, unless --no-backup is given.\n"
    "  --new-defaults writes the new version's default parameters after a successful download\n"
    "  and saves them to the EEPROM (the ZEL keeps its hardware-enabling state).";

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%.4x", value);
  return text;
}

struct VersionArgs {
  std::string package;
  std::string version;
};

// Opens the package and settles on one version: the one named, or the only one there is.
bool OpenVersion(CommandContext& ctx, firmware::FirmwarePackage& package, const VersionArgs& args,
                 std::string& directory, int& rc) {
  if (!package.Open(args.package)) {
    rc = ctx.Fail("Unable to open file!");
    return false;
  }
  std::vector<std::string> versions;
  if (!package.ListVersions(versions) || versions.empty()) {
    rc = ctx.Fail("The package holds no firmware version.");
    return false;
  }
  std::string list;
  for (const auto& v : versions) list += (list.empty() ? "" : ", ") + v;
  if (args.version.empty()) {
    if (versions.size() > 1) {
      rc = ctx.Fail("The package holds several versions (" + list + "); name one.");
      return false;
    }
    directory = versions.front();
    return true;
  }
  for (const auto& v : versions) {
    if (v == args.version) {
      directory = v;
      return true;
    }
  }
  rc = ctx.Fail("The package has no version '" + args.version + "' (it has " + list + ").");
  return false;
}

int Image(CommandContext& ctx, const std::vector<std::string>& args) {
  VersionArgs version;
  std::string output;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--output") {
      if (i + 1 >= args.size()) return ctx.Usage(args[i] + " needs a file name.", kImageUsage);
      output = args[++i];
    } else if (args[i].rfind("--output=", 0) == 0) {
      output = args[i].substr(9);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.empty() || positional.size() > 2 || output.empty())
    return ctx.Usage("Name the package and the output file (-o).", kImageUsage);
  version.package = positional[0];
  if (positional.size() == 2) version.version = positional[1];

  firmware::FirmwarePackage package;
  std::string directory;
  int rc = 0;
  if (!OpenVersion(ctx, package, version, directory, rc)) return rc;
  std::vector<uint8_t> coff;
  package.ReadEntry(directory + "\\BinaryFiles\\", "ZelCode.out", coff);
  std::vector<uint8_t> image;
  const int result = firmware::FlashImage::Convert(coff, image);
  if (result != firmware::FlashImage::kConverted)
    return ctx.Fail(firmware::StepResultText(result), "result " + std::to_string(result));
  std::string error;
  if (!files::AtomicFileWriter::Write(output, image, error)) return ctx.Fail(error, "file");
  const uint16_t crc = static_cast<uint16_t>(image[image.size() - 2] | (image.back() << 8));
  return ctx.Done({firmware::StepResultText(result),
                   "Wrote the flash image of " + directory + " (" + std::to_string(image.size()) +
                       " bytes, CRC " + Hex4(crc) + ") to " + output + "."},
                  JsonWriter()
                      .Add("version", directory)
                      .Add("file", output)
                      .Add("bytes", static_cast<int64_t>(image.size()))
                      .Add("crc", Hex4(crc))
                      .Add("result", result)
                      .Add("message", firmware::StepResultText(result)));
}

// What a person watching sees: one bar per step, redrawn on a terminal, and the result texts as
// they arrive.
class ProgressView {
 public:
  ProgressView(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

  void Show(const DownloadEvent& event) {
    switch (event.event) {
      case DownloadEvent::kStepStart:
        step_ = firmware::StepText(static_cast<int>(event.value));
        expectedMs_ = event.expectedMs;
        Draw(0, true);
        break;
      case DownloadEvent::kStepElapsed:
        Draw(event.value, false);
        break;
      case DownloadEvent::kStepResult:
        if (open_) Draw(expectedMs_, true);
        EndLine();
        err_ << "zelctl:   " << firmware::StepResultText(static_cast<int>(event.value)) << '\n';
        break;
      case DownloadEvent::kCriticalBegin:
        EndLine();
        err_ << "zelctl: Warning! This is a critical action!\n";
        break;
      default:
        break;
    }
    err_.flush();
  }
  void EndLine() {
    if (open_ && terminal_) err_ << '\n';
    open_ = false;
  }

 private:
  void Draw(int64_t elapsedMs, bool force) {
    if (!terminal_) {
      if (force && !open_) err_ << "zelctl: " << step_ << '\n';
      open_ = true;
      return;
    }
    constexpr int kWidth = 30;
    const int64_t range = expectedMs_ > 0 ? expectedMs_ : 1;
    const int filled = static_cast<int>(std::min<int64_t>(kWidth, elapsedMs * kWidth / range));
    if (!force && filled == drawn_) return;
    drawn_ = filled;
    char line[128];
    std::snprintf(line, sizeof line, "\rzelctl: %-34s [%-*s] %6.1f s", step_.c_str(), kWidth,
                  std::string(static_cast<std::size_t>(filled), '#').c_str(),
                  static_cast<double>(elapsedMs) / 1000.0);
    err_ << line;
    open_ = true;
  }

  std::ostream& err_;
  bool terminal_;
  std::string step_;
  int64_t expectedMs_ = 0;
  int drawn_ = -1;
  bool open_ = false;
};

bool ParseMethod(const std::string& text, DownloadMethod& method) {
  if (text == "standard")
    method = DownloadMethod::kStandard;
  else if (text == "ti")
    method = DownloadMethod::kTi;
  else if (text == "jtag")
    method = DownloadMethod::kJtag;
  else
    return false;
  return true;
}

// Before the boot loader takes the line: the package must suit the ZEL as far as the ZEL's
// firmware can tell, and the power stage must be off. Returns 0 to go on.
int CheckBeforeStart(CommandContext& ctx, link::ZelCommunication& zel, DownloadMethod method,
                     const firmware::FirmwareInfo* info, bool& firmwareAnswered) {
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  firmwareAnswered = zel.Parameter().ReadVersion(software, hardware, number, version);
  if (!firmwareAnswered) {
    if (method == DownloadMethod::kStandard)
      return ctx.Fail(std::string(DriveDisableCheck::kNotOnline) +
                          "\n(A ZEL without running firmware is downloaded with --method ti or "
                          "--method jtag.)",
                      "noFirmware");
    ctx.Host().ShowMessage(DriveDisableCheck::kFirmwareSilent, ui::Icon::Warning);
    return 0;
  }
  if (info != nullptr && info->hardwareVersion != hardware)
    return ctx.Fail(DriveDisableCheck::HardwareMismatchText(hardware), "hardwareVersion");
  const DriveDisableCheck drive = DriveDisableCheck::Read(zel);
  if (!drive.readable) return ctx.Fail(DriveDisableCheck::kNotOnline, "noAnswer");
  if (drive.enableInputWarning)
    ctx.Host().ShowMessage(DriveDisableCheck::kEnableInputWarning, ui::Icon::Warning);
  if (drive.hardwareEnabled) return ctx.Fail(DriveDisableCheck::kSwitchOff, "enabled");
  return 0;
}

constexpr const char* kBackupFailed =
    "The ZEL's parameters could not be saved before the download:\n";
constexpr const char* kNotStarted =
    "\nThe download was not started (--no-backup downloads without saving them).";

// A path as a shell takes it back.
std::string ShellWord(const std::string& text) {
  if (text.find_first_of(" \t'\"\\$`!*?;&|<>()") == std::string::npos) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// How the backup goes back into the ZEL, over the same line this download used.
std::string RestoreText(const GlobalOptions& options, const std::string& backup) {
  std::string line = "zelctl";
  if (!options.device.empty())
    line += " --device " + ShellWord(options.device);
  else
    line += " --port " + options.port;
  if (options.baud != 38400) line += " --baud " + std::to_string(options.baud);
  return "To restore the parameters saved before the download: " + line + " params download " +
         ShellWord(backup);
}

// The SystemParameter page's "Write New Default Parameter", for --new-defaults: its boxes become
// lines, in order.
JsonWriter WriteNewDefaults(link::ZelCommunication& zel, const std::string& packagePath,
                            const std::string& directory, std::vector<std::string>& lines,
                            bool& ok) {
  parameters::SystemParameterBlock defaults;
  if (!firmware::NewDefaultParameters::Read(packagePath, directory, defaults)) {
    lines.emplace_back(firmware::NewDefaultParameters::kNoDefaults);
    ok = false;
    return JsonWriter()
        .Add("written", false)
        .Add("saved", false)
        .Add("messages", std::vector<std::string>{firmware::NewDefaultParameters::kNoDefaults});
  }
  link::SerialParameterDevice device(zel.Parameter(), zel.Status());
  const auto outcome = firmware::NewDefaultParameters::Write(defaults, device);
  lines.insert(lines.end(), outcome.messages.begin(), outcome.messages.end());
  ok = outcome.written && outcome.saved;
  return JsonWriter()
      .Add("written", outcome.written)
      .Add("saved", outcome.saved)
      .Add("messages", outcome.messages);
}

int Download(CommandContext& ctx, std::vector<std::string> args) {
  const bool noBackup = TakeFlag(args, "--no-backup");
  const bool newDefaults = TakeFlag(args, "--new-defaults");
  VersionArgs version;
  DownloadMethod method = DownloadMethod::kStandard;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string value;
    if (args[i] == "--method") {
      if (i + 1 >= args.size())
        return ctx.Usage("--method needs standard, ti or jtag.", kDownloadUsage);
      value = args[++i];
    } else if (args[i].rfind("--method=", 0) == 0) {
      value = args[i].substr(9);
    } else {
      positional.push_back(args[i]);
      continue;
    }
    if (!ParseMethod(value, method))
      return ctx.Usage("Unknown download method '" + value + "'.", kDownloadUsage);
  }
  if (positional.empty() || positional.size() > 2)
    return ctx.Usage("Name the firmware package.", kDownloadUsage);
  version.package = positional[0];
  if (positional.size() == 2) version.version = positional[1];
  if (version.package.size() < 3 || version.package.substr(version.package.size() - 3) != "bin")
    return ctx.Usage("No file (*.bin) selected", kDownloadUsage);

  firmware::FirmwarePackage package;
  std::string directory;
  int rc = 0;
  if (!OpenVersion(ctx, package, version, directory, rc)) return rc;
  if (!package.CheckComplete(directory, true)) return ctx.FailShown();
  firmware::FirmwareInfo info;
  const bool described = package.ReadInfo(directory, info);
  package.Close();
  if (!described &&
      !ctx.Host().AskYesNo(
          "Unable to read version info of file!\nDo you still want to download this file?"))
    return ctx.Fail("The download was not started.", "declined");

  link::ZelCommunication* zel = ctx.Zel();
  if (zel == nullptr) return kExitFailed;
  bool firmwareAnswered = false;
  if (int failed =
          CheckBeforeStart(ctx, *zel, method, described ? &info : nullptr, firmwareAnswered))
    return failed;

  // Without running firmware there is nothing to read the parameters with.
  if (!firmwareAnswered && !noBackup)
    return ctx.Fail(std::string(kBackupFailed) +
                        "The ZEL's firmware does not answer: its parameters cannot be read." +
                        kNotStarted,
                    "backupFailed");

  firmware::DownloadController controller(zel->Boot());
  firmware::BootLoaderLink& boot = controller.Link();
  StepTimesFile::Load(boot.Times());
  controller.Select(static_cast<int>(method));
  controller.SetPackage(version.package, directory);
  const std::string question =
      "WARNING! The firmware download is a critical procedure! If you "
      "interrupt the download during execution, the firmware can get "
      "lost for ever!\nDownload " +
      directory + " of " + version.package + " with the " + controller.Name() + " (about " +
      controller.ExpectedDurationText() + ")?";
  if (!ctx.Host().AskYesNo(question)) return ctx.Fail("The download was not started.", "declined");

  // The new firmware may read the old values with other meanings, and --new-defaults replaces
  // them: what the ZEL holds now is kept first.
  std::string backupPath;
  uint16_t backupSoftware = 0;
  if (!noBackup) {
    link::SerialParameterDevice device(zel->Parameter(), zel->Status());
    const auto backup =
        ParameterBackup::Save(zel->Definitions(), device, StepTimesFile::Directory());
    if (!backup.ok) return ctx.Fail(kBackupFailed + backup.error + kNotStarted, "backupFailed");
    backupPath = backup.path;
    backupSoftware = backup.softwareVersion;
    ctx.Err() << "zelctl: The ZEL's parameters are saved to " << backupPath << '\n';
  }

  firmware::DownloadEventQueue queue;
  ProgressView view(ctx.Err(), ::isatty(STDERR_FILENO) == 1);
  std::vector<int> history;
  bool success = false;
  int64_t tookMs = 0;
  bool lineBack = false;
  firmware::DownloadOutcome outcome;
  // A terminal or pipe that has gone away must not end zelctl in the middle of the flash or
  // before its outcome is known: what can no longer be written is dropped.
  BrokenOutputGuard output;
  {
    // Until the line is back, a stop request or a closed terminal is counted and taken as Stop
    // (refused while the flash is written).
    InterruptGuard guard;
    firmware::BootLoaderSession session(*zel, boot, firmware::BootLoaderSession::Claim::kTake,
                                        queue.Sink());
    if (!session.PortOpen()) {
      session.End();
      return ctx.Fail("The serial port could not be opened for the boot loader.", "open");
    }
    const int64_t started = boot.NowMs();
    bool finished = false;
    bool critical = false;
    int interruptsSeen = 0;
    controller.Start();
    while (!finished) {
      const int now = InterruptGuard::Count();
      if (now != interruptsSeen) {
        interruptsSeen = now;
        view.EndLine();
        if (critical) {
          ctx.Err() << "zelctl: The flash is being erased and programmed; the download cannot "
                       "be stopped now.\n";
        } else {
          ctx.Err() << "zelctl: Stopping after the current step ...\n";
          controller.RequestStop();
        }
      }
      const auto event = queue.Take(std::chrono::milliseconds(100));
      if (!event) continue;
      if (event->event == DownloadEvent::kWarning) {
        view.EndLine();
        ctx.Host().ShowMessage(event->text, ui::Icon::Warning);
        continue;
      }
      if (event->event == DownloadEvent::kStepResult)
        history.push_back(static_cast<int>(event->value));
      if (event->event == DownloadEvent::kCriticalBegin) critical = true;
      if (event->event == DownloadEvent::kCriticalEnd) critical = false;
      if (event->event == DownloadEvent::kFinished) {
        finished = true;
        success = event->value != 0;
      }
      view.Show(*event);
    }
    controller.Join();
    outcome = controller.LastOutcome();
    view.EndLine();
    tookMs = boot.NowMs() - started;
    lineBack = session.End();
  }
  std::string saveError;
  if (!StepTimesFile::Save(boot.Times(), saveError))
    ctx.Err() << "zelctl: The step durations were not kept: " << saveError << '\n';

  std::vector<JsonWriter> results;
  for (int code : history)
    results.push_back(JsonWriter().Add("code", code).Add("text", firmware::StepResultText(code)));
  JsonWriter json;
  if (!backupPath.empty()) json.Add("backup", backupPath);
  json.Add("version", directory)
      .Add("method", controller.Name())
      .Add("durationMs", tookMs)
      .Add("expectedMs", controller.ExpectedDuration())
      .Add("results", results)
      .Add("zelState", firmware::ZelStateName(outcome.zel));
  // Without the device link nothing after the download can be read or written.
  const std::string noLine = "The serial line could not be given back to the device link (" +
                             zel->Settings().portName + ", " +
                             std::to_string(zel->Settings().baudRate) + " baud).";
  if (success && !lineBack) {
    const std::string text = "Download successful!\nThe new firmware is in the flash. " + noLine;
    ctx.Err() << "zelctl: " << text << '\n';
    if (ctx.Options().json)
      ctx.Out() << json.Add("ok", false).Add("success", true).Add("error", noLine).Str() << '\n';
    return kExitFailed;
  }
  if (success) {
    std::vector<std::string> lines{"Download successful!",
                                   "Took " + firmware::DurationText(tookMs) +
                                       "; the next download is expected to take " +
                                       controller.ExpectedDurationText() + "."};
    bool defaultsOk = true;
    if (newDefaults)
      json.Add("newDefaults",
               WriteNewDefaults(*zel, version.package, directory, lines, defaultsOk));
    if (!backupPath.empty()) {
      // A parameter file goes back only into firmware of its own software version.
      uint16_t software = 0, hardware = 0, number = 0, applicationVersion = 0;
      if (zel->Parameter().ReadVersion(software, hardware, number, applicationVersion) &&
          software != backupSoftware)
        lines.push_back("The ZEL now runs software version " + Hex4(software) +
                        "; the saved parameters are for " + Hex4(backupSoftware) +
                        " and go back only into that version (params diff compares them).");
      lines.push_back(RestoreText(ctx.Options(), backupPath));
    }
    if (defaultsOk) return ctx.Done(lines, json.Add("success", true));
    // The firmware is in; its defaults are not, and a script must not take that for done.
    for (const auto& line : lines) ctx.Err() << "zelctl: " << line << '\n';
    if (ctx.Options().json)
      ctx.Out() << json.Add("ok", false)
                       .Add("success", true)
                       .Add("error", "The new default parameters were not written and saved.")
                       .Str()
                << '\n';
    return kExitFailed;
  }
  const firmware::DownloadVerdict verdict = firmware::DownloadVerdict::From(outcome, history);
  const bool lost = verdict.firmwareLost;
  // A stop that ended the download before any step failed is told as such, not as an error.
  std::string text = verdict.stopped && verdict.firstFailure == 0
                         ? std::string(firmware::DownloadVerdict::kStopped)
                         : "Download failed!\n" + verdict.reason;
  if (lost)
    text +=
        "\nThe firmware is lost: the ZEL has no working firmware now. Recover it with the TI "
        "method (--method ti, the ZEL in service mode) or with the JTAG method (--method "
        "jtag) once its boot loader runs.";
  else
    text += std::string("\n") + firmware::DownloadVerdict::StateAdvice(verdict.zel) + "\n" +
            firmware::DownloadVerdict::kTryAgain;
  if (!lineBack) text += "\n" + noLine;
  if (!backupPath.empty() && !lost) text += "\n" + RestoreText(ctx.Options(), backupPath);
  ctx.Err() << "zelctl: " << text << '\n';
  if (ctx.Options().json) {
    json.Add("ok", false)
        .Add("success", false)
        .Add("stopped", verdict.stopped)
        .Add("error", verdict.reason)
        .Add("firmwareLost", lost);
    if (verdict.firstFailure != 0) json.Add("result", verdict.firstFailure);
    ctx.Out() << json.Str() << '\n';
  }
  return kExitFailed;
}

int Firmware(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return ctx.Usage("Name a firmware command: image or download.", kUsage);
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "image") return Image(ctx, rest);
  if (args[0] == "download") return Download(ctx, rest);
  return ctx.Usage("Unknown firmware command '" + args[0] + "'.", kUsage);
}

}  // namespace

void RegisterFirmwareCommands(CommandRegistry& registry) {
  registry.Add({"firmware",
                "write a package version's flash image, or download the firmware into the ZEL "
                "(standard, TI or JTAG method)",
                kUsage, Firmware});
}

}  // namespace zel::cli
