#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "link/CSearchCommunicationDlg.h"
#include "link/CommunicationSearch.h"
#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"
#include "ui/Dispatcher.h"

namespace zel::cli {

namespace {

using link::CommunicationSearch;

constexpr const char* kUsage = "zelctl search";

// Receives the search's reports on this thread, as the search dialog would.
class SearchReports final : public ui::MessageTarget {
 public:
  SearchReports() : id_(ui::Dispatcher::Default().Register(this)) {}
  ~SearchReports() override { ui::Dispatcher::Default().Unregister(id_); }
  SearchReports(const SearchReports&) = delete;
  SearchReports& operator=(const SearchReports&) = delete;

  void OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override {
    if (message == CommunicationSearch::kMsgProgress) tried = static_cast<int>(wParam);
    if (message == CommunicationSearch::kMsgDone) done = true;
  }
  ui::Dispatcher::TargetId Id() const { return id_; }

  int tried = 0;
  bool done = false;

 private:
  ui::Dispatcher::TargetId id_;
};

// Which candidate is being tried, on one line that is rewritten; only for a person watching.
void ShowProgress(std::ostream& err, const CommunicationSearch& search, int tried) {
  const auto& candidates = search.Candidates();
  if (tried >= static_cast<int>(candidates.size())) return;
  const link::CommSettings& next = candidates[static_cast<size_t>(tried)];
  char line[96];
  std::snprintf(line, sizeof line, "\rzelctl: candidate %2d of %zu: %-5s %6d bit/s", tried + 1,
                candidates.size(), next.portName.c_str(), next.baudRate);
  err << line << std::flush;
}

int Search(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return ctx.Usage("This command takes no arguments.", kUsage);
  if (!ctx.Options().device.empty())
    return ctx.Usage("The search tries the ports Com1 to Com6; --device does not apply.", kUsage);

  // Every candidate's port through the port map.
  link::ZelCommunication zel;
  link::CommSettings& stored = zel.Settings();
  stored.portName = ctx.Options().port;
  stored.baudRate = ctx.Options().baud;
  stored.timeoutMs = ctx.Options().timeoutMs;
  stored.transmitTrials = ctx.Options().trials;

  SearchReports reports;
  CommunicationSearch search(zel, reports.Id());
  const bool progress = ::isatty(STDERR_FILENO) == 1;
  if (!search.Start()) return ctx.Fail("The search could not be started.");
  int shown = -1;
  while (!reports.done) {
    if (progress && reports.tried != shown) {
      shown = reports.tried;
      ShowProgress(ctx.Err(), search, shown);
    }
    ui::Dispatcher::Default().PumpUntil(
        [&] { return reports.done || (progress && reports.tried != shown); },
        std::chrono::seconds(1));
  }
  search.Stop();
  if (progress) ctx.Err() << '\n';
  ctx.ShowPortWarnings();
  if (!search.Found()) return ctx.Fail(link::CSearchCommunicationDlg::kNotFoundText, "timeout");
  const link::CommSettings& found = zel.Settings();
  return ctx.Done({link::CSearchCommunicationDlg::FoundText(found)},
                  JsonWriter()
                      .Add("found", true)
                      .Add("port", found.portName)
                      .Add("baud", found.baudRate)
                      .Add("candidate", search.Tried())
                      .Add("message", link::CSearchCommunicationDlg::FoundText(found)));
}

}  // namespace

void RegisterSearchCommands(CommandRegistry& registry) {
  registry.Add({"search",
                "find the port (Com1..Com6) and baud rate at which the ZEL answers; --timeout "
                "and --trials apply to every candidate",
                kUsage, Search});
}

}  // namespace zel::cli
