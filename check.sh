#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
#   ./check.sh              the suite
#   ./check.sh --sanitize   the suite again under AddressSanitizer and UBSan (build-asan/)
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh

werror=OFF
[ "${VEXAGRID_WERROR:-}" = "1" ] && werror=ON
jobs=$(nproc)

run_suite() { # build dir, extra cmake options
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXAGRID_WERROR=$werror "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build
if [ "${1:-}" = "--sanitize" ]; then
  # Leak reports from the toolkit's own one-time allocations are not ours to judge.
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite build-asan -DVEXAGRID_SANITIZE=ON
fi
