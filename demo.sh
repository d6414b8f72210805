#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with a simulated module on
# the virtual port COM3. Press "Eszköz csatlakoztatása" in the window to connect it.
# The module keeps what is written into it in build/demo-module.state.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vexagrid vexagrid-sim

devices=$(mktemp -d "${TMPDIR:-/tmp}/vexagrid-demo-XXXXXX")
build/bin/vexagrid-sim --port COM3 --dosdevices "$devices" --sample \
  --state build/demo-module.state &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$devices"' EXIT
for _ in $(seq 50); do [ -e "$devices/com3" ] && break; sleep 0.1; done

display=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running the program on a virtual X server (xvfb-run)."
  display=(xvfb-run -a)
fi
VEXAGRID_DOSDEVICES="$devices" "${display[@]}" build/bin/vexagrid "$@"
