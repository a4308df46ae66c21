#!/usr/bin/env bash
# The whole fault sweep: every transfer of zelctl against zelsim with every fault, armed at start
# and at points inside the transfer. Prints each case that breaks the property, then the counts:
# cases, false successes, hangs, crashes, unreported changes. Exit status 0 only when all are 0.
#
#   scripts/fault-sweep.sh [PRESET]    (default asan; ZEL_FAULT_SWEEP_JOBS cases at once, 2)
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-asan}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target test_e2e
ZEL_FAULT_SWEEP=full "build/$preset/tests/test_e2e" --gtest_filter='FaultSweep.*'
