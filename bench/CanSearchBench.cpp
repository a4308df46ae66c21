// The CAN wizard's module search for 3 modules among the 127 IDs, against the simulated ZEL paced
// at 38400 bit/s: its total time against one 200 ms tick per candidate plus the time the
// exchanges' bytes take on the line (and, shown apart, the time-outs of the IDs nobody answers).
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>

#include "can/CanModule.h"
#include "can/CanNetworkSearch.h"
#include "link/LinkObserver.h"
#include "link/PosixSerialChannel.h"
#include "link/SerialLink.h"
#include "link/ZelCommunication.h"
#include "sim/Simulator.h"

namespace {

constexpr uint32_t kBaud = 38400;
constexpr int32_t kTimeoutMs = 30;

// Bytes on the line per exchange, both ways: opcode, L, the words and the checksum out, the two
// acknowledges back, and a reply frame (code, L, words, checksum) when one came.
class LineTime final : public zel::link::LinkObserver {
 public:
  void OnExchange(const zel::link::ExchangeRecord& r) override {
    std::lock_guard lock(mutex_);
    bytes_ += 1 + 1 + 2 * static_cast<double>(r.arguments.size()) + 2 + 2;
    if (r.replyCode) bytes_ += 1 + 1 + 2 * static_cast<double>(r.replyWords.size()) + 2;
    if (r.replyExpected && !r.replyCode) ++unanswered_;
  }
  double Seconds() {
    std::lock_guard lock(mutex_);
    return bytes_ * 10.0 / kBaud;
  }
  int Unanswered() {
    std::lock_guard lock(mutex_);
    return unanswered_;
  }

 private:
  std::mutex mutex_;
  double bytes_ = 0;
  int unanswered_ = 0;
};

class Done final : public zel::can::CanNetworkSearch::Listener {
 public:
  void ModuleFound(uint16_t, int) override {
    std::lock_guard lock(mutex_);
    ++found;
  }
  void Probing(int) override {}
  void Finished(bool) override {
    {
      std::lock_guard lock(mutex_);
      finished = true;
    }
    cv_.notify_all();
  }
  void Await() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return finished; });
  }
  int found = 0;
  bool finished = false;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
};

void BM_CanSearch3Of127Paced38400(benchmark::State& state) {
  const std::string link =
      (std::filesystem::temp_directory_path() / ("zel-can-bench-" + std::to_string(getpid())))
          .string();
  zel::sim::SimulatorOptions options;
  options.linkPath = link;
  options.baud = kBaud;
  options.paced = true;
  options.realTimeModel = false;
  options.canBitRateIndex = 2;
  // The last one sits at the top of the range, so every ID is asked.
  for (auto [id, rate] : {std::pair{40, 2}, std::pair{80, 4}, std::pair{127, 3}}) {
    zel::sim::CanModuleConfig module;
    module.moduleId = static_cast<uint16_t>(id);
    module.bitRateIndex = rate;
    options.modules.push_back(module);
  }
  zel::sim::Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    state.SkipWithError(("zelsim: " + error).c_str());
    return;
  }
  zel::link::ZelCommunication comm(zel::link::PosixSerialChannel::OpenerForPath(link));
  zel::link::CommSettings settings;
  settings.baudRate = kBaud;
  settings.timeoutMs = kTimeoutMs;
  if (!comm.OpenLink(settings)) {
    state.SkipWithError("no link");
    return;
  }
  zel::can::CanModule module(comm.Can(), comm.Parameter());
  LineTime line;
  comm.Link().SetObserver(&line);
  int found = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    Done done;
    zel::can::CanNetworkSearch search(comm, module, done);
    search.Configure(4, zel::can::CanNetworkSearch::Mode::kSearch, {});
    search.Start();
    done.Await();
    search.Stop();
    found = done.found;
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  comm.Link().SetObserver(nullptr);
  sim.Stop();
  const double ticks =
      zel::can::CanNetworkSearch::kLastCandidate * (zel::can::CanNetworkSearch::kTickMs / 1000.0);
  const double lineSeconds = line.Seconds();
  const double timeouts = line.Unanswered() * kTimeoutMs / 1000.0;
  state.counters["total_s"] = elapsed;
  state.counters["ticks_s"] = ticks;
  state.counters["line_s"] = lineSeconds;
  state.counters["timeouts_s"] = timeouts;
  state.counters["ratio_to_ticks_and_line"] = elapsed / (ticks + lineSeconds);
  state.counters["found"] = found;
  if (found != 4) state.SkipWithError("not all modules found");
}
BENCHMARK(BM_CanSearch3Of127Paced38400)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
