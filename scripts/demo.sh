#!/usr/bin/env bash
# The main job: a simulated ZEL on a pseudo-terminal, a short zelctl session against it, then the
# desktop program connected to it.
#
#   scripts/demo.sh            zelctl session, then zelgui (needs a display; see below)
#   scripts/demo.sh --cli      zelctl session only
#
# Without a display, zelgui runs under Xvfb (xvfb-run) when it is installed: it starts, saves a
# screenshot of its main window to build/demo/zelgui.png and exits. To watch it on a headless
# machine, run `Xvfb :99 & DISPLAY=:99 scripts/demo.sh` and look with a VNC server or
# `xwd -root -display :99`.
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-all}"
scripts/install-deps.sh
cmake --preset release >/dev/null
targets=(zelsim zelctl sample_firmware)
if [ "$mode" != "--cli" ]; then targets+=(zelgui); fi
cmake --build --preset release --target "${targets[@]}"

bin=build/release
work="$(mktemp -d /tmp/zel-demo.XXXXXX)"
link="$work/ttyZEL"
sim_log="$work/zelsim.log"
# zelctl keeps its step times and the parameter backups of firmware downloads here, not in the
# user's own settings.
export ZELCTL_CONFIG_DIR="$PWD/build/demo/zelctl"

# Two further modules on the CAN bus behind it, both at 500 kBit/s like the gateway.
"$bin/sim/zelsim" --link "$link" --can-bitrate 2 --module 5:2 --module 6:2 >"$sim_log" 2>&1 &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 1 100); do
  grep -q "serving" "$sim_log" 2>/dev/null && break
  sleep 0.05
done
if ! grep -q "serving" "$sim_log"; then
  echo "zelsim did not start:" >&2
  cat "$sim_log" >&2
  exit 1
fi
head -n 1 "$sim_log"

zelctl() {
  echo
  echo "\$ zelctl --device $link $*"
  "$bin/src/cli/zelctl" --device "$link" "$@"
}

zelctl version
zelctl status
zelctl errors
zelctl param get MaxSpeed
zelctl --yes param set SysConfig 0x0100
zelctl --yes param set MaxSpeed 20000
zelctl param get 17
zelctl velocity 1500
sleep 1
zelctl read velocity
zelctl status
zelctl read current
zelctl --json param get MaxSpeed
zelctl regulation
zelctl package versions "$bin/examples/firmware/ZelFirmware.bin"
zelctl --package "$bin/examples/firmware/ZelFirmware.bin" errors
echo
echo "# three cycles of the polling monitor, then the CAN bus behind the ZEL:"
zelctl monitor --cycles 3
zelctl can
zelctl can scan --to 8
zelctl --module 5 version
echo
echo "# the parameters saved to a file, exported as text, compared with the ZEL and module 5:"
mkdir -p build/demo
zelctl params upload build/demo/zel.udf --visum demo --comment "before the firmware download"
zelctl params export build/demo/zel.udf
zelctl params diff build/demo/zel.udf
zelctl --module 5 params diff build/demo/zel.udf
echo
echo "# a speed jump of 1000 rpm recorded (enabled by software) and shown:"
zelctl param set SysConfig 0x9000 && zelctl --yes enable && zelctl record --variable 134 --period 0.5 --jump 1000 -o build/demo/step.rda && zelctl rda show build/demo/step.rda
echo
echo "# the firmware download of the sample package's ZEL_1040, with the drive disabled:"
zelctl disable
zelctl --yes firmware download "$bin/examples/firmware/ZelFirmware.bin" ZEL_1040
zelctl version
echo
echo "# a value outside its limits is refused before anything is sent:"
zelctl param set MaxSpeed 25001 || echo "(exit status $?)"

if [ "$mode" = "--cli" ]; then exit 0; fi

gui="$bin/src/gui/zelgui"
# The sample firmware package: zelgui finds the version matching the simulated ZEL in it and
# takes the parameter names and error texts from there.
package="$bin/examples/firmware/ZelFirmware.bin"
if [ ! -x "$gui" ]; then
  echo "zelgui was not built (Qt 6 missing?)" >&2
  exit 1
fi
echo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting zelgui on the simulated ZEL; close its window to end the demo."
  mkdir -p build/demo
  "$gui" --device "$link" --package "$package" --start-monitor --settings build/demo
elif command -v xvfb-run >/dev/null; then
  mkdir -p build/demo
  echo "No display: running zelgui under Xvfb and saving build/demo/zelgui.png"
  xvfb-run -a "$gui" --device "$link" --package "$package" --start-monitor --no-wizards \
    --settings build/demo --screenshot build/demo/zelgui.png \
    --quit-after 4000
  echo "Screenshot: build/demo/zelgui.png"
else
  echo "No display and no xvfb-run: skipping zelgui." >&2
fi
