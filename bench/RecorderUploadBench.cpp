// One recorder upload at samplePeriod 1 (0.1 ms) against the simulated ZEL paced at 38400 bit/s,
// through the whole command layer: compared with the time its bytes take on the line plus the
// 25.6 ms the ZEL spends recording its 256 words.
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "link/PosixSerialChannel.h"
#include "link/RecorderGroup.h"
#include "link/ZelCommunication.h"
#include "recorder/RecorderSetup.h"
#include "sim/Simulator.h"

namespace {

constexpr uint32_t kBaud = 38400;
// Tool → ZEL: the frame (opcode, L, one word, checksum) and its two 'O's; ZEL → tool: 'O' to
// the opcode and the frame, the reply code, L, 256 words and the checksum.
constexpr int kToolBytes = 6 + 2;
constexpr int kZelBytes = 2 + 1 + 1 + 512 + 2;
constexpr double kRecordingSeconds = 0.0256;

void BM_RecorderUploadPaced38400(benchmark::State& state) {
  const std::string link =
      (std::filesystem::temp_directory_path() / ("zel-rec-bench-" + std::to_string(getpid())))
          .string();
  zel::sim::SimulatorOptions options;
  options.linkPath = link;
  options.baud = kBaud;
  options.paced = true;
  zel::sim::Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    state.SkipWithError(("zelsim: " + error).c_str());
    return;
  }
  zel::link::ZelCommunication comm(zel::link::PosixSerialChannel::OpenerForPath(link));
  if (!comm.ReopenLink() || !comm.Recorder().SetupRecorder(1, 134)) {
    state.SkipWithError("no set-up");
    return;
  }
  const int32_t timeout = zel::recorder::RecorderSetup::UploadTimeoutMs(1);
  int64_t failures = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::vector<uint16_t> words;
    if (!comm.Recorder().ReadRecordedData(0, timeout, words) || words.size() != 256) ++failures;
    benchmark::DoNotOptimize(words);
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sim.Stop();
  const double perUpload = elapsed / static_cast<double>(state.iterations());
  const double expected = (kToolBytes + kZelBytes) * 10.0 / kBaud + kRecordingSeconds;
  state.counters["ms_per_upload"] = perUpload * 1e3;
  state.counters["line_and_recording_ms"] = expected * 1e3;
  state.counters["ratio"] = perUpload / expected;
  state.counters["failures"] = static_cast<double>(failures);
  if (failures > 0) state.SkipWithError("uploads failed");
}
BENCHMARK(BM_RecorderUploadPaced38400)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
