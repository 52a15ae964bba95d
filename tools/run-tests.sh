#!/usr/bin/env bash
# Sets everything up on Debian 12 and runs all tests: the Linux build's, then the Windows build's
# under Wine, then converts the sample datastore with velmorra-cli and with velmorra-cli.exe and
# compares the two backup files byte for byte.
#   --linux-only    only the Linux tests
#   --windows-only  only the Windows tests and the comparison (builds the Linux program for it)
#   --sanitize      the Linux tests under AddressSanitizer and UndefinedBehaviorSanitizer instead
#                   (in build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-all}
case "$mode" in
  all | --linux-only | --windows-only | --sanitize) ;;
  *)
    echo "usage: bash tools/run-tests.sh [--linux-only | --windows-only | --sanitize]" >&2
    exit 2
    ;;
esac
bash tools/setup-debian.sh

# A merge whose conflict was committed unresolved fails here, before anything is built.
if git rev-parse --is-inside-work-tree > /dev/null 2>&1 &&
  git grep -nE '^(<<<<<<<|>>>>>>>)( |$)'; then
  echo "run-tests: the lines above are left from an unresolved merge" >&2
  exit 1
fi

if [ "$mode" = "--sanitize" ]; then
  bash tools/build.sh build-asan -DVELMORRA_SANITIZE=ON -DVELMORRA_BUILD_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
  exit 0
fi

bash tools/build.sh build
if [ "$mode" != "--windows-only" ]; then
  ctest --test-dir build --output-on-failure -j "$(nproc)"
fi
if [ "$mode" = "--linux-only" ]; then
  exit 0
fi

bash tools/build-windows.sh build-windows
ctest --test-dir build-windows --output-on-failure -j "$(nproc)"

# The same backup from both programs.
compare=build-windows/sample-comparison
rm -rf "$compare"
mkdir -p "$compare/linux" "$compare/windows"
build/bin/velmorra-cli convert build/examples/MDataStore.db3 --output-dir "$compare/linux" >/dev/null
WINEPREFIX="$PWD/build-windows/wineprefix" WINEDEBUG=-all \
  wine build-windows/bin/velmorra-cli.exe convert build/examples/MDataStore.db3 \
  --output-dir "$compare/windows" >/dev/null
cmp "$compare/linux/sms_All Phones.xml" "$compare/windows/sms_All Phones.xml"
echo "velmorra-cli and velmorra-cli.exe wrote the same backup of the sample datastore"
