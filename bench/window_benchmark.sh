#!/usr/bin/env bash
# The window's conversion beside the command line's: converts "All Phones" of a generated
# datastore of ROWS rows in the Qt window (from the click on Convert to the line that says what it
# wrote, with its progress shown on the way) and with `velmorra-cli convert`, alternately, RUNS
# times each, and prints the medians of the wall and processor times (user and system, all
# threads) and the window's overhead in each. Target: under 5%. The processor time is the steadier
# figure on a machine that other work shares.
#
#   bash bench/window_benchmark.sh [BUILD_DIR] [RUNS] [ROWS]
#
# BUILD_DIR (default build-bench-window) is configured as a RelWithDebInfo build with the window
# and without tests; RUNS defaults to 3, ROWS to 1000000. The window runs on Qt's offscreen
# platform. Needs /usr/bin/time (Debian package "time"). bench/export_benchmark.sh runs this too.
set -euo pipefail
usage="Usage: bash bench/window_benchmark.sh [BUILD_DIR] [RUNS] [ROWS]"
for argument in "$@"; do
  case $argument in
    -h | --help) echo "$usage"; exit 0 ;;
    -*) echo "window_benchmark.sh: unknown option $argument" >&2; echo "$usage" >&2; exit 2 ;;
  esac
done
cd "$(dirname "$0")/.."
build_dir=${1:-build-bench-window}
runs=${2:-3}
rows=${3:-1000000}

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORRA_BUILD_TESTS=OFF \
  -DVELMORRA_BUILD_BENCH=ON -DVELMORRA_BUILD_WINDOW=ON >/dev/null
cmake --build "$build_dir" -j 2 --target velmorra-cli velmorra-window-bench \
  velmorra-make-datastore >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/velmorra-window-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
datastore=$work/MDataStore.db3
"$build_dir/bin/velmorra-make-datastore" "$datastore" "$rows" >/dev/null
cat "$datastore" >/dev/null  # a warm page cache for both

: >"$work/cli.txt"
: >"$work/window.txt"
for _ in $(seq "$runs"); do
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" \
    "$build_dir/bin/velmorra-cli" convert "$datastore" --output-dir "$work" >/dev/null
  awk '{ print $1, $2 + $3 }' "$work/time.txt" >>"$work/cli.txt"
  QT_QPA_PLATFORM=offscreen "$build_dir/bin/velmorra-window-bench" "$datastore" "$work/" \
    2>/dev/null >>"$work/window.txt"
done

# The median of column COLUMN of FILE.
median() {
  awk -v c="$2" '{ print $c }' "$1" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
awk -v cw="$(median "$work/cli.txt" 1)" -v cc="$(median "$work/cli.txt" 2)" \
  -v ww="$(median "$work/window.txt" 1)" -v wc="$(median "$work/window.txt" 2)" \
  -v rows="$rows" -v runs="$runs" 'BEGIN {
  printf "window, %d rows (median of %d runs each):\n", rows, runs
  printf "  velmorra-cli convert:          %6.2f s wall, %6.2f s cpu\n", cw, cc
  printf "  window, Convert to its result: %6.2f s wall, %6.2f s cpu\n", ww, wc
  printf "  overhead of the window: %+.1f%% wall, %+.1f%% cpu (target < 5%%: %s)\n",
    (ww - cw) / cw * 100, (wc - cc) / cc * 100, (wc - cc) / cc * 100 < 5 ? "met" : "MISSED"
}'
