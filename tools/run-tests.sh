#!/usr/bin/env bash
# Sets everything up on Debian 12 and runs all tests. With --sanitize, builds and runs the tests
# with AddressSanitizer and UndefinedBehaviorSanitizer instead (in build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-debian.sh
if [ "${1:-}" = "--sanitize" ]; then
  bash tools/build.sh build-asan -DVELMORRA_SANITIZE=ON -DVELMORRA_BUILD_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
else
  bash tools/build.sh build
  ctest --test-dir build --output-on-failure -j "$(nproc)"
fi
