// One command-with-reply exchange (ReadVersion, opcode 26) over a pseudo-terminal against the
// in-process simulated ZEL: unpaced it measures what the tool's side of the protocol costs,
// paced at 38400 bit/s it compares the exchange with the time its bytes take on the line, with
// the ZEL's bytes handed over directly (adapter_ms:0) or behind a full-speed USB adapter whose
// latency timer is 1 ms or 16 ms: each of the exchange's three turn-arounds waits for it.
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "link/FrameBuffer.h"
#include "link/PosixSerialChannel.h"
#include "link/ResultCodes.h"
#include "link/SerialPort.h"
#include "sim/Simulator.h"

namespace {

using zel::link::FrameBuffer;
using zel::link::SerialPort;

constexpr uint32_t kBaud = 38400;

// Bytes on the line for ReadVersion: tool → ZEL the command frame (opcode, L, one word,
// checksum), 'O' to the reply code and 'O' to the reply; ZEL → tool 'O' to the opcode, 'O' to
// the frame, the reply code, L, four words and the checksum.
constexpr int kToolBytes = 6 + 1 + 1;
constexpr int kZelBytes = 1 + 1 + 1 + 1 + 8 + 2;

void RunExchange(benchmark::State& state, bool paced, std::chrono::milliseconds adapterLatency) {
  const std::string link =
      (std::filesystem::temp_directory_path() / ("zel-bench-" + std::to_string(getpid()))).string();
  zel::sim::SimulatorOptions options;
  options.linkPath = link;
  options.baud = kBaud;
  options.paced = paced;
  options.adapterLatency = adapterLatency;
  zel::sim::Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    state.SkipWithError(("zelsim: " + error).c_str());
    return;
  }
  SerialPort port(zel::link::PosixSerialChannel::OpenerForPath(link));
  if (port.Open(static_cast<int32_t>(kBaud), "Com1", 100, 4) != zel::link::result::kOk) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }

  int64_t failures = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    FrameBuffer command;
    command.code = 26;  // ReadVersion, no arguments: one data word 0
    FrameBuffer reply;
    if (port.SendFrame(&command) != zel::link::result::kOk ||
        port.ReceiveFrame(&reply, 0) != zel::link::result::kOk) {
      ++failures;
    }
    benchmark::DoNotOptimize(reply);
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  port.Close();
  sim.Stop();

  const double perExchange = elapsed / static_cast<double>(state.iterations());
  const double lineTime = (kToolBytes + kZelBytes) * 10.0 / kBaud;
  state.counters["us_per_exchange"] = perExchange * 1e6;
  state.counters["line_us"] = lineTime * 1e6;
  state.counters["line_ratio"] = perExchange / lineTime;
  state.counters["failures"] = static_cast<double>(failures);
  if (failures > 0) state.SkipWithError("exchanges failed");
}

void BM_ExchangeUnpaced(benchmark::State& state) {
  RunExchange(state, false, {});
}
void BM_ExchangePaced38400(benchmark::State& state) {
  RunExchange(state, true, std::chrono::milliseconds(state.range(0)));
}

BENCHMARK(BM_ExchangeUnpaced)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExchangePaced38400)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(300)
    ->ArgName("adapter_ms")
    ->Arg(0)
    ->Arg(1)
    ->Arg(16);

}  // namespace

BENCHMARK_MAIN();
