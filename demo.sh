#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with a simulated module on
# the virtual port COM3. Press "Eszköz csatlakoztatása" in the window to connect it.
# The module keeps what is written into it in build/demo-module.state.
#
#   ./demo.sh          the window program against one simulated module
#   ./demo.sh --cli    three simulated modules (COM3 .. COM5) and a shell to try
#                      vexagrid-cli on them; COM5 never acknowledges a write
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

devices=$(mktemp -d "${TMPDIR:-/tmp}/vexagrid-demo-XXXXXX")
sim=""
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; wait 2>/dev/null; rm -rf "$devices"' EXIT
wait_for() { for _ in $(seq 50); do [ -e "$devices/$1" ] && return 0; sleep 0.1; done; }

if [ "${1:-}" = "--cli" ]; then
  cmake --build build -j "$(nproc)" --target vexagrid-cli vexagrid-sim
  mkdir -p build/demo-modules
  build/bin/vexagrid-sim --count 3 --dosdevices "$devices" --sample \
    --state-dir build/demo-modules --fault-on COM5=ack-wrong-twice \
    >/dev/null 2>build/demo-modules/modules.log &
  sim=$!
  wait_for com5
  export VEXAGRID_DOSDEVICES="$devices" PATH="$PWD/build/bin:$PATH"
  work=$(mktemp -d "${TMPDIR:-/tmp}/vexagrid-cli-XXXXXX")
  cd "$work"
  cat <<'TRY'
Three simulated modules: COM3, COM4 and COM5 (COM5 never acknowledges a write);
what they see is logged in build/demo-modules/modules.log.
Try:
  vexagrid-cli ports
  vexagrid-cli identify --port all
  vexagrid-cli read --port COM3,COM4 -o kiolvasott/
  vexagrid-cli write --port COM3,COM4,COM5 --set m_nev="Szivattyu 1" --verify kiolvasott/COM3.vgf
  vexagrid-cli diff --port COM4 kiolvasott/COM3.vgf
  vexagrid-cli show kiolvasott/COM3.vgf
  vexagrid-cli diff kiolvasott/COM3.vgf kiolvasott/COM4.vgf
  vexagrid-cli sheet kiolvasott/COM3.vgf -o lap.pdf
  vexagrid-cli status --port COM3 --watch 2          (Ctrl+C stops it)
TRY
  if [ -t 0 ]; then
    echo "Type exit to stop the modules."
    PS1="vexagrid-demo\$ " bash --norc -i || true
  else
    # Without a terminal: run the example once and show what it prints.
    vexagrid-cli identify --port all
    vexagrid-cli read --port COM3,COM4 -o kiolvasott/
    vexagrid-cli write --port COM3,COM4,COM5 --set m_nev="Szivattyu 1" --verify \
      kiolvasott/COM3.vgf || echo "(exit $?: COM5 refused, as it is told to)"
  fi
  exit 0
fi

cmake --build build -j "$(nproc)" --target vexagrid vexagrid-sim
build/bin/vexagrid-sim --port COM3 --dosdevices "$devices" --sample \
  --state build/demo-module.state &
sim=$!
wait_for com3

display=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running the program on a virtual X server (xvfb-run)."
  display=(xvfb-run -a)
fi
VEXAGRID_DOSDEVICES="$devices" "${display[@]}" build/bin/vexagrid "$@"
