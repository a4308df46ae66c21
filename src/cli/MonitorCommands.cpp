#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iterator>
#include <mutex>
#include <sstream>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/InterruptGuard.h"
#include "cli/NumberArgument.h"
#include "link/ZelCommunication.h"
#include "monitor/CStatusView.h"
#include "monitor/PollingMonitor.h"
#include "monitor/RegulationDataSink.h"
#include "parameters/NumberText.h"
#include "ui/Dispatcher.h"

namespace zel::cli {

namespace {

using Clock = std::chrono::steady_clock;
using monitor::MonitorCycle;
using parameters::NumberText;

constexpr const char* kUsage = "zelctl monitor [--cycles N] [--period MS] [--csv]";
constexpr int64_t kShortestPeriodMs = 100;  // the desktop program's "Monitor Refresh" range
constexpr int64_t kLongestPeriodMs = 1000;

// Every value a regulation view can receive, in the columns of a recording.
constexpr int16_t kValueColumns[] = {17, 12, 15, 14, 5, 6, 133, 134, 131, 129, 130};

// An offline cycle carries no values: what the views still show was read in an earlier cycle.
constexpr const char* kNotOnline =
    "The ZEL is not online!\nPlease check the communication settings!";

struct Options {
  int64_t cycles = 0;  // 0: until Ctrl-C
  int64_t periodMs = monitor::PollingMonitor::kInitialPeriodMs;
  bool csv = false;
};

// Accepts "--name value" and "--name=value".
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const size_t equals = a.find('=');
    const std::string name = a.substr(0, equals);
    if (name == "--csv" && equals == std::string::npos) {
      options.csv = true;
      continue;
    }
    if (name != "--cycles" && name != "--period") {
      error = "Unknown argument '" + a + "'.";
      return false;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = a.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      error = name + " needs a value.";
      return false;
    }
    const bool cycles = name == "--cycles";
    const int64_t min = cycles ? 1 : kShortestPeriodMs;
    const int64_t max = cycles ? 100000000 : kLongestPeriodMs;
    std::string why;
    if (!NumberArgument(value).ToInteger(min, max, cycles ? options.cycles : options.periodMs,
                                         why)) {
      error = name + " takes a number from " + std::to_string(min) + " to " + std::to_string(max) +
              ", not '" + value + "': " + why;
      return false;
    }
  }
  return true;
}

const char* ModeName(MonitorCycle::Mode mode) {
  switch (mode) {
    case MonitorCycle::Mode::kSpeed:
      return "speed";
    case MonitorCycle::Mode::kCurrent:
      return "current";
    default:
      return "none";
  }
}

// A cycle as the monitor's thread handed it over, with the moment it ended.
struct Recorded {
  MonitorCycle cycle;
  int64_t timeMs = 0;
};

// Prints the cycles as text lines, JSON objects or CSV rows, naming and signing the values by
// the parameter definitions.
class CyclePrinter {
 public:
  CyclePrinter(std::ostream& out, const parameters::CParameterTable& definitions, bool json,
               bool csv)
      : out_(out), definitions_(definitions), json_(json), csv_(csv) {}

  void Header() {
    if (!csv_) return;
    out_ << "timeMs,cycle,online,cfg,status,mode";
    for (int16_t number : kValueColumns) out_ << ',' << definitions_.Name(number);
    out_ << ",disabled,stopped,errorWord,canErrorWord\n";
  }

  void Print(const Recorded& recorded) {
    const MonitorCycle& c = recorded.cycle;
    std::vector<monitor::ParameterWord> values;
    std::optional<bool> disabled;
    std::optional<bool> stopped;
    if (c.speed) {
      values = c.speed->Values();
      disabled = c.speed->disabled;
      stopped = c.speed->stopped;
    } else if (c.current) {
      values = c.current->Values();
      disabled = c.current->disabled;
    }
    if (csv_) {
      PrintCsv(recorded, values, disabled, stopped);
    } else if (json_) {
      PrintJson(recorded, values, disabled, stopped);
    } else {
      PrintText(recorded, values);
    }
    out_.flush();
  }

 private:
  int64_t Value(const monitor::ParameterWord& value) const {
    return definitions_.IsSigned(value.first) ? static_cast<int16_t>(value.second)
                                              : static_cast<int64_t>(value.second);
  }
  // The words as this cycle read them from the ZEL: the status view keeps showing the last
  // words it was given, which a recording must not present as read now.
  static std::optional<uint16_t> ErrorWord(const MonitorCycle& c) {
    return c.errorWordRead ? c.errorWord : std::nullopt;
  }
  static std::optional<uint16_t> CanErrorWord(const MonitorCycle& c) {
    return c.canErrorWordRead ? c.canErrorWord : std::nullopt;
  }
  static std::string Word(const std::optional<uint16_t>& word) {
    return word ? NumberText::FormatHex16(*word) : std::string("-");
  }

  void PrintText(const Recorded& r, const std::vector<monitor::ParameterWord>& values) {
    const MonitorCycle& c = r.cycle;
    std::ostringstream line;
    line << "cycle " << c.number << "  " << r.timeMs << " ms  ";
    if (!c.online) {
      out_ << line.str() << "offline\n";
      return;
    }
    line << "online   CFG " << NumberText::FormatHex16(c.sysConfig) << "  STS "
         << NumberText::FormatHex16(c.statusWord) << "  mode " << ModeName(c.mode);
    for (const auto& value : values)
      line << "  " << definitions_.Name(value.first) << '=' << Value(value);
    line << "  error " << Word(ErrorWord(c)) << "  CAN error " << Word(CanErrorWord(c));
    out_ << line.str() << '\n';
  }

  void PrintJson(const Recorded& r, const std::vector<monitor::ParameterWord>& values,
                 std::optional<bool> disabled, std::optional<bool> stopped) {
    const MonitorCycle& c = r.cycle;
    JsonWriter json;
    json.Add("ok", c.online).Add("cycle", c.number).Add("timeMs", r.timeMs).Add("online", c.online);
    if (!c.online) {
      out_ << json.Add("error", kNotOnline).Str() << '\n';
      return;
    }
    json.AddWord("cfg", c.sysConfig).AddWord("status", c.statusWord).Add("mode", ModeName(c.mode));
    JsonWriter named;
    for (const auto& value : values) named.Add(definitions_.Name(value.first), Value(value));
    json.Add("values", named);
    if (disabled) json.Add("disabled", *disabled);
    if (stopped) json.Add("stopped", *stopped);
    if (const auto word = ErrorWord(c)) json.AddWord("errorWord", *word);
    if (const auto word = CanErrorWord(c)) json.AddWord("canErrorWord", *word);
    out_ << json.Str() << '\n';
  }

  void PrintCsv(const Recorded& r, const std::vector<monitor::ParameterWord>& values,
                std::optional<bool> disabled, std::optional<bool> stopped) {
    const MonitorCycle& c = r.cycle;
    if (!c.online) {
      // Every column but the time, the cycle and the online state left empty.
      out_ << r.timeMs << ',' << c.number << ",0" << std::string(std::size(kValueColumns) + 7, ',')
           << '\n';
      return;
    }
    out_ << r.timeMs << ',' << c.number << ',' << (c.online ? 1 : 0) << ','
         << NumberText::FormatHex16(c.sysConfig) << ',' << NumberText::FormatHex16(c.statusWord)
         << ',' << ModeName(c.mode);
    for (int16_t number : kValueColumns) {
      out_ << ',';
      for (const auto& value : values)
        if (value.first == number) out_ << Value(value);
    }
    auto flag = [](std::optional<bool> on) { return on ? std::string(*on ? "1" : "0") : ""; };
    out_ << ',' << flag(disabled) << ',' << flag(stopped) << ','
         << (ErrorWord(c) ? NumberText::FormatHex16(*ErrorWord(c)) : "") << ','
         << (CanErrorWord(c) ? NumberText::FormatHex16(*CanErrorWord(c)) : "") << '\n';
  }

  std::ostream& out_;
  const parameters::CParameterTable& definitions_;
  bool json_;
  bool csv_;
};

int Monitor(CommandContext& ctx, const std::vector<std::string>& args) {
  Options options;
  std::string error;
  if (!ParseOptions(args, options, error)) return ctx.Usage(error, kUsage);
  if (options.csv && ctx.Options().json)
    return ctx.Usage("--csv and --json exclude each other.", kUsage);
  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return kExitFailed;

  // The views' receiving sides, as the desktop program's main window links them.
  monitor::CStatusView statusView;
  monitor::SpeedViewDataSink speedView;
  monitor::CurrentViewDataSink currentView;
  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<Recorded> queue;
  const Clock::time_point start = Clock::now();

  monitor::PollingMonitor pollingMonitor;
  pollingMonitor.LinkCommunication(*zel);
  pollingMonitor.LinkViews(&speedView, &currentView, &statusView);
  pollingMonitor.SetPeriod(static_cast<uint32_t>(options.periodMs));
  pollingMonitor.SetCycleObserver([&](const MonitorCycle& cycle) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    std::lock_guard lock(mutex);
    queue.push_back({cycle, elapsed.count()});
    arrived.notify_all();
  });

  CyclePrinter printer(ctx.Out(), zel->Definitions(), ctx.Options().json, options.csv);
  InterruptGuard guard;
  if (!pollingMonitor.Start()) return ctx.Fail("The polling monitor could not be started.");
  printer.Header();
  int64_t printed = 0;
  bool everOnline = false;
  while (InterruptGuard::Count() == 0 && (options.cycles == 0 || printed < options.cycles)) {
    std::deque<Recorded> batch;
    {
      std::unique_lock lock(mutex);
      // Slices, so that Ctrl-C is seen even while a cycle waits for an absent ZEL.
      arrived.wait_for(lock, std::chrono::milliseconds(50), [&] { return !queue.empty(); });
      batch.swap(queue);
    }
    // The views take their online state from the monitor's messages, as on the desktop.
    ui::Dispatcher::Default().Pump();
    for (const Recorded& recorded : batch) {
      if (options.cycles != 0 && printed >= options.cycles) break;
      printer.Print(recorded);
      everOnline = everOnline || recorded.cycle.online;
      ++printed;
    }
  }
  pollingMonitor.Stop();
  ui::Dispatcher::Default().Pump();
  zel->Link().Close();
  if (printed > 0 && !everOnline) {
    ctx.Err() << "zelctl: The ZEL did not answer in any cycle.\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

void RegisterMonitorCommands(CommandRegistry& registry) {
  registry.Add({"monitor",
                "run the polling monitor and print each cycle (online state, CFG, status, "
                "live values, error words)",
                std::string(kUsage) +
                    "\n\n  --cycles N   stop after N cycles (default: until Ctrl-C)\n"
                    "  --period MS  monitor period, 100 to 1000 ms (default 100)\n"
                    "  --csv        a header and one row per cycle, time stamp in ms\n"
                    "  --json       one JSON object per cycle and line",
                Monitor});
}

}  // namespace zel::cli
