// The floor under every paced benchmark: one byte each way over a bare pseudo-terminal, the far
// side waiting two byte times at 38400 bit/s the way zelsim paces a received and a sent byte.
// Nothing of the tool runs here, so what it costs above the two byte times is this machine's
// wake-up latency after a sleep, paid at every turn of the line. An exchange has three turns
// (opcode and 'O', frame and 'O', reply code and 'O'); compare its overhead with three of these.

#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {

constexpr long kByteNs = 10L * 1'000'000'000 / 38400;

timespec Later(long ns) {
  timespec at{};
  clock_gettime(CLOCK_MONOTONIC, &at);
  at.tv_nsec += ns;
  while (at.tv_nsec >= 1'000'000'000) {
    at.tv_nsec -= 1'000'000'000;
    ++at.tv_sec;
  }
  return at;
}

void SleepByte() {
  const timespec at = Later(kByteNs);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
}

void BM_PacedPtyTurnaround38400(benchmark::State& state) {
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  std::atomic<bool> running{true};
  std::thread echo([&] {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    char byte = 0;
    while (running) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      if (read(master, &byte, 1) != 1) break;
      SleepByte();  // the byte arriving
      SleepByte();  // the answer leaving
      if (write(master, &byte, 1) != 1) break;
    }
  });
  char byte = 'O';
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (write(slave, &byte, 1) != 1) break;
    pollfd p{slave, POLLIN, 0};
    poll(&p, 1, 1000);
    if (read(slave, &byte, 1) != 1) break;
  }
  const double elapsedUs =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  running = false;
  echo.join();
  close(master);
  close(slave);
  const double lineUs = 2.0 * kByteNs / 1000.0;
  state.counters["line_us"] = lineUs;
  if (state.iterations() > 0) {
    state.counters["overhead_us"] = elapsedUs / static_cast<double>(state.iterations()) - lineUs;
  }
}

BENCHMARK(BM_PacedPtyTurnaround38400)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(500);

}  // namespace

BENCHMARK_MAIN();
