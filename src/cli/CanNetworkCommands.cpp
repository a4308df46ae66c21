#include "cli/CanNetworkCommands.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>

#include "can/CanModule.h"
#include "can/CanNetworkSearch.h"
#include "can/ModuleIdSetting.h"
#include "cli/CommandContext.h"
#include "cli/InterruptGuard.h"
#include "cli/NumberArgument.h"
#include "link/CanBitRateTable.h"
#include "link/ParameterGroup.h"
#include "link/ZelCommunication.h"

namespace zel::cli {

namespace {

using can::CanNetworkSearch;
using link::CanBitRateTable;

constexpr const char* kSearchUsage = "zelctl can search [--count N] [--bitrate TEXT|INDEX]";
constexpr const char* kSetIdUsage = "zelctl can set-id ID [--yes]";
constexpr std::uint16_t kFirstVersion = 0x1040;

// The search thread's reports, handed to the command's own thread.
class SearchEvents final : public CanNetworkSearch::Listener {
 public:
  struct Event {
    enum Kind { kFound, kProbing, kFinished } kind;
    int first = 0;
    int second = 0;
  };

  void ModuleFound(std::uint16_t moduleId, int bitRateIndex) override {
    Push({Event::kFound, moduleId, bitRateIndex});
  }
  void Probing(int candidate) override { Push({Event::kProbing, candidate, 0}); }
  void Finished(bool failed) override { Push({Event::kFinished, failed ? 1 : 0, 0}); }

  // Waits a while for the next report; false when none came.
  bool Next(Event& event) {
    std::unique_lock lock(mutex_);
    if (!ready_.wait_for(lock, std::chrono::milliseconds(100), [this] { return !queue_.empty(); }))
      return false;
    event = queue_.front();
    queue_.pop_front();
    return true;
  }

 private:
  void Push(Event event) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(event);
    }
    ready_.notify_one();
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Event> queue_;
};

// The wizard's search only exists from software version 0x1040 on.
link::ZelCommunication* OpenNewGateway(CommandContext& ctx, int& rc) {
  rc = kExitFailed;
  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return nullptr;
  std::uint16_t sw = 0, hw = 0, number = 0, version = 0;
  if (!zel->Parameter().ReadVersion(sw, hw, number, version)) {
    rc = ctx.CommandFailed("ReadVersion");
    return nullptr;
  }
  if (sw < kFirstVersion) {
    rc = ctx.Fail("CAN Wizard only available for Software Version 0x1040 and higher!",
                  "oldFirmware");
    return nullptr;
  }
  zel->Can().SetSoftwareVersion(sw);
  rc = kExitOk;
  return zel;
}

}  // namespace

int CanSearch(CommandContext& ctx, const std::vector<std::string>& args) {
  std::int64_t count = 127;
  int target = -1;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return ctx.Usage(args[i] + " needs a value.", kSearchUsage);
    std::string why;
    if (args[i] == "--count") {
      if (!NumberArgument(args[i + 1]).ToInteger(1, 127, count, why))
        return ctx.Usage("--count: " + why, kSearchUsage);
    } else if (args[i] == "--bitrate") {
      std::int64_t index = -1;
      target = CanBitRateTable::IndexOfText(args[i + 1]);
      if (target < 0 && NumberArgument(args[i + 1]).ToInteger(0, 7, index, why))
        target = static_cast<int>(index);
      if (target < 0)
        return ctx.Usage("--bitrate: give an index 0..7 or a text such as 500kBit/s.",
                         kSearchUsage);
    } else {
      return ctx.Usage("Unknown option '" + args[i] + "'.", kSearchUsage);
    }
  }
  int rc = kExitOk;
  link::ZelCommunication* zel = OpenNewGateway(ctx, rc);
  if (!zel) return rc;
  can::CanModule module(zel->Can(), zel->Parameter());
  SearchEvents events;
  CanNetworkSearch search(*zel, module, events);
  search.Configure(static_cast<int>(count),
                   target < 0 ? CanNetworkSearch::Mode::kSearch : CanNetworkSearch::Mode::kBitRate,
                   CanBitRateTable::RegistersOf(target));
  const bool terminal = !ctx.Options().json && ::isatty(STDERR_FILENO) == 1;
  std::vector<std::uint16_t> modules;
  std::vector<int> rates;
  std::vector<std::string> lines;
  bool stopped = false;
  bool failed = false;
  {
    // Ctrl-C stops between two candidates; the gateway is still restored.
    InterruptGuard interrupt;
    if (!search.Start()) return ctx.Fail("The search could not start.");
    for (bool finished = false; !finished;) {
      SearchEvents::Event event{};
      if (!events.Next(event)) {
        if (InterruptGuard::Count() > 0 && !stopped) {
          stopped = true;
          search.Stop();
        }
        continue;
      }
      if (event.kind == SearchEvents::Event::kFound) {
        modules.push_back(static_cast<std::uint16_t>(event.first));
        rates.push_back(event.second);
        char line[96];
        std::snprintf(line, sizeof line, "Module %3i  %s", event.first,
                      CanBitRateTable::Text(event.second).c_str());
        lines.emplace_back(line);
        if (terminal) ctx.Err() << "\r" << line << "          \n";
      } else if (event.kind == SearchEvents::Event::kProbing) {
        if (terminal)
          ctx.Err() << "\rProbing module ID " << event.first << " of 127 " << std::flush;
      } else {
        finished = true;
        failed = event.first != 0;
      }
    }
    search.Stop();
  }
  if (terminal) ctx.Err() << "\r                              \r";
  // The gateway was left untouched: nothing to settle.
  if (failed) return ctx.CommandFailed("Reading the gateway's bit rate and module ID");
  const CanNetworkSearch::Ending& end = search.End();
  std::string leftWith = end.leftWith;
  const bool settled =
      end.brokenOff.empty() && end.restored &&
      can::CanSearchOutcome::Settle(*zel, module, modules, rates, end.kept, leftWith);
  if (!settled) {
    // What was found is told as found then; the gateway's state now is what the last line says.
    std::string text =
        end.brokenOff.empty() ? "The search could not put the CAN gateway back." : end.brokenOff;
    if (!leftWith.empty()) text += "\n" + leftWith;
    if (!lines.empty() && !ctx.Options().json) {
      ctx.Err() << "zelctl: Found before the search ended:\n";
      for (const std::string& line : lines) ctx.Err() << "  " << line << '\n';
    }
    return ctx.Fail(text, end.brokenOff.empty() ? "notRestored" : "lineDead");
  }
  const can::CanSearchOutcome outcome =
      can::CanSearchOutcome::Judge(modules, rates, static_cast<int>(count));
  std::vector<std::string> texts;
  if (stopped) texts.emplace_back("Stopped.");
  if (!outcome.allFound) texts.push_back(outcome.notAllFoundText);
  if (!outcome.sameRate) texts.emplace_back(can::CanSearchOutcome::kDifferentRates);
  const bool good = outcome.allFound && outcome.sameRate && !stopped;
  std::vector<JsonWriter> found;
  for (std::size_t i = 0; i < modules.size(); ++i)
    found.push_back(JsonWriter()
                        .Add("module", modules[i])
                        .Add("bitRateIndex", rates[i])
                        .Add("bitRate", CanBitRateTable::Text(rates[i])));
  JsonWriter json;
  json.Add("count", static_cast<int>(count))
      .Add("found", static_cast<int>(modules.size()))
      .Add("modules", found)
      .Add("allFound", outcome.allFound)
      .Add("sameBitRate", outcome.sameRate)
      .Add("stopped", stopped)
      .Add("messages", texts);
  if (outcome.bitRateIndex >= 0) json.Add("bitRate", CanBitRateTable::Text(outcome.bitRateIndex));
  if (ctx.Options().json) {
    ctx.Out() << JsonWriter().Add("ok", good).Append(json).Str() << '\n';
  } else {
    for (const std::string& line : lines) ctx.Out() << line << '\n';
    if (good)
      ctx.Out() << "All " << modules.size() << " modules at "
                << CanBitRateTable::Text(outcome.bitRateIndex) << ".\n";
    for (const std::string& text : texts) ctx.Err() << "zelctl: " << text << '\n';
  }
  return good ? kExitOk : kExitFailed;
}

int CanSetId(CommandContext& ctx, const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  for (const std::string& arg : args)
    if (arg != "--yes") rest.push_back(arg);
  const bool yes = rest.size() != args.size() || ctx.Options().assumeYes;
  std::int64_t id = 0;
  std::string why;
  if (rest.size() != 1) return ctx.Usage("Give the module ID.", kSetIdUsage);
  if (!NumberArgument(rest[0]).ToInteger(can::ModuleIdSetting::kFirstId,
                                         can::ModuleIdSetting::kLastId, id, why))
    return ctx.Usage("Module ID: " + why, kSetIdUsage);
  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  can::ModuleIdSetting setting(*zel);
  if (!setting.ReadBitRate()) return ctx.CommandFailed("ReadTempParam");
  const auto result =
      setting.Set(static_cast<std::uint16_t>(id), [&ctx, yes](const char* question) {
        if (yes) return true;
        return ctx.Host().AskYesNo(question);
      });
  if (result == can::ModuleIdSetting::Result::kDeclined)
    return ctx.Fail("The module ID was not changed.", "declined");
  if (result == can::ModuleIdSetting::Result::kFailed) return ctx.CommandFailed("SetModuleID");
  std::uint16_t now = 0;
  zel->Parameter().ReadTempParam(30, now);
  return ctx.Done({can::ModuleIdSetting::kDone, "Module ID " + std::to_string(now)},
                  JsonWriter().Add("moduleId", now).Add("message", can::ModuleIdSetting::kDone));
}

}  // namespace zel::cli
