// A Standard firmware download of the sample package into the in-process simulated ZEL, paced
// at 38400 bit/s, against the time its bytes need on the line. The boot loader echoes every
// byte as it comes, so the two directions overlap: the ratio to the busier direction is the one
// that shows what the tool's turn-arounds cost (aim: at most 1.20, ideally about 1.05); the
// ratio to both directions together is printed beside it. Each runs with the ZEL's bytes handed
// over directly (adapter_ms:0) and behind a full-speed USB adapter whose latency timer is 1 ms
// (what the tool asks the driver for) or 16 ms (an FTDI chip's default).
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "firmware/DownloadController.h"
#include "firmware/DownloadEventQueue.h"
#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"
#include "sim/Simulator.h"

namespace {

using zel::firmware::DownloadEvent;

constexpr uint32_t kBaud = 38400;

struct LineCount {
  std::atomic<int64_t> written{0};
  std::atomic<int64_t> read{0};
};

// Counts what crosses the line each way.
class CountingChannel final : public zel::link::ByteChannel {
 public:
  CountingChannel(std::unique_ptr<zel::link::ByteChannel> inner, LineCount& count)
      : inner_(std::move(inner)), count_(count) {}
  bool Write(const uint8_t* data, int n) override {
    const bool ok = inner_->Write(data, n);
    if (ok) count_.written += n;
    return ok;
  }
  int Read(uint8_t* data, int n, const zel::link::ReadTimeouts& timeouts) override {
    const int got = inner_->Read(data, n, timeouts);
    if (got > 0) count_.read += got;
    return got;
  }
  bool Purge() override { return inner_->Purge(); }
  bool Close() override { return inner_->Close(); }

 private:
  std::unique_ptr<zel::link::ByteChannel> inner_;
  LineCount& count_;
};

struct StepRecord {
  int code = 0;
  int result = 0;
  double seconds = 0;
  int64_t written = 0;
  int64_t read = 0;
};

double LineSeconds(int64_t bytes) {
  return static_cast<double>(bytes) * 10.0 / kBaud;
}

void BM_StandardDownloadPaced38400(benchmark::State& state) {
  const std::string link =
      (std::filesystem::temp_directory_path() / ("zel-dlbench-" + std::to_string(getpid())))
          .string();
  zel::sim::SimulatorOptions options;
  options.linkPath = link;
  options.baud = kBaud;
  options.paced = true;
  options.adapterLatency = std::chrono::milliseconds(state.range(0));
  options.device.enableInput = false;
  zel::sim::Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    state.SkipWithError(("zelsim: " + error).c_str());
    return;
  }
  LineCount count;
  auto inner = zel::link::PosixSerialChannel::OpenerForPath(link);
  zel::link::ZelCommunication zel([&](const std::string& device, int32_t baud,
                                      uint8_t& code) -> std::unique_ptr<zel::link::ByteChannel> {
    auto channel = inner(device, baud, code);
    if (!channel) return nullptr;
    return std::make_unique<CountingChannel>(std::move(channel), count);
  });
  zel.Settings().baudRate = static_cast<int32_t>(kBaud);

  std::vector<StepRecord> steps;
  bool ok = true;
  double total = 0;
  for (auto _ : state) {
    steps.clear();
    zel::firmware::BootLoaderLink boot(zel.EnterBootLoaderMode());
    std::mutex mutex;
    auto started = std::chrono::steady_clock::now();
    auto stepStart = started;
    int64_t writtenAt = 0, readAt = 0;
    bool success = false;
    boot.SetEventSink([&](const DownloadEvent& event) {
      std::lock_guard lock(mutex);
      const auto now = std::chrono::steady_clock::now();
      if (event.event == DownloadEvent::kStepStart) {
        stepStart = now;
        writtenAt = count.written;
        readAt = count.read;
        steps.push_back({static_cast<int>(event.value), 0, 0, 0, 0});
      } else if (event.event == DownloadEvent::kStepResult && !steps.empty()) {
        StepRecord& step = steps.back();
        step.result = static_cast<int>(event.value);
        step.seconds = std::chrono::duration<double>(now - stepStart).count();
        step.written = count.written - writtenAt;
        step.read = count.read - readAt;
      } else if (event.event == DownloadEvent::kFinished) {
        success = event.value != 0;
      }
    });
    zel::firmware::DownloadController controller(boot);
    controller.SetPackage(ZEL_SAMPLE_PACKAGE, "ZEL_1040");
    started = std::chrono::steady_clock::now();
    controller.Start();
    controller.Join();
    total = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    boot.SetEventSink({});
    zel.LeaveBootLoaderMode();
    ok = ok && success;
  }
  sim.Stop();
  if (!ok) {
    state.SkipWithError("the download failed");
    return;
  }

  int64_t written = 0, read = 0;
  double stepsSeconds = 0;
  std::printf("%-6s %-6s %9s %9s %9s %8s %8s\n", "step", "result", "seconds", "out bytes",
              "in bytes", "ratio1", "ratio2");
  for (const StepRecord& step : steps) {
    written += step.written;
    read += step.read;
    stepsSeconds += step.seconds;
    const double busier = LineSeconds(std::max(step.written, step.read));
    const double both = LineSeconds(step.written + step.read);
    std::printf("%-6d %-6d %9.3f %9lld %9lld %8.3f %8.3f\n", step.code, step.result, step.seconds,
                static_cast<long long>(step.written), static_cast<long long>(step.read),
                busier > 0 ? step.seconds / busier : 0.0, both > 0 ? step.seconds / both : 0.0);
  }
  std::printf("ratio1: to the busier direction's line time; ratio2: to both directions'.\n");
  const double busier = LineSeconds(std::max(written, read));
  state.counters["seconds"] = total;
  state.counters["line_s_busier"] = busier;
  state.counters["ratio_busier"] = total / busier;
  state.counters["ratio_both"] = total / LineSeconds(written + read);
}

BENCHMARK(BM_StandardDownloadPaced38400)
    ->UseRealTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->ArgName("adapter_ms")
    ->Arg(0)
    ->Arg(1)
    ->Arg(16);

}  // namespace

BENCHMARK_MAIN();
