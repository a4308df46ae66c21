#!/usr/bin/env bash
# Configures and builds one preset (default: debug).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-debug}"
scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
