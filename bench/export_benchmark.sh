#!/usr/bin/env bash
# The export benchmark: converts "All Phones" of a generated datastore with velmorra-cli and, in
# the same run, dumps the same rows with `sqlite3 -csv`, then compares wall time and peak memory.
#
#   bash bench/export_benchmark.sh [BUILD_DIR] [ROWS] [RUNS]
#
# BUILD_DIR (default build-bench) is configured as a RelWithDebInfo build without tests; ROWS
# (default 1000000, about 90% of them SMS) sizes the datastore; each program runs RUNS times
# (default 3) and the fastest run counts. Needs /usr/bin/time (Debian package "time") and the
# sqlite3 program. Targets: export wall time at most 1.5 x the dump's, peak memory at most 1.5 GiB.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-bench}
rows=${2:-1000000}
runs=${3:-3}

for tool in /usr/bin/time sqlite3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORRA_BUILD_TESTS=OFF \
  -DVELMORRA_BUILD_BENCH=ON -DVELMORRA_BUILD_WINDOW=OFF >/dev/null
cmake --build "$build_dir" -j 2 --target velmorra-cli velmorra-make-datastore >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/velmorra-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
datastore=$work/MDataStore.db3
"$build_dir/bin/velmorra-make-datastore" "$datastore" "$rows"
echo "datastore: $(du -h "$datastore" | cut -f1)"

# Runs a command under /usr/bin/time -v; prints "wall-seconds cpu-seconds kilobytes" of the run
# (cpu = user + system, which other work on a shared machine does not inflate).
measure() {
  local report=$work/time.txt
  /usr/bin/time -v -o "$report" "$@" >/dev/null
  local wall cpu rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$report" |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' "$report")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$report")
  echo "$wall $cpu $rss"
}

# The fastest run (by wall time) of `runs` runs of a command: "wall cpu kilobytes".
best_of_runs() {
  local best="" wall cpu rss
  for _ in $(seq "$runs"); do
    read -r wall cpu rss < <(measure "$@")
    if [ -z "$best" ] || awk "BEGIN { exit !($wall < ${best%% *}) }"; then
      best="$wall $cpu $rss"
    fi
  done
  echo "$best"
}

# Read the datastore once so that both programs start from a warm page cache.
cat "$datastore" >/dev/null

read -r export_wall export_cpu export_rss < <(best_of_runs "$build_dir/bin/velmorra-cli" convert "$datastore" \
  --output-dir "$work")
read -r dump_wall dump_cpu dump_rss < <(best_of_runs sh -c \
  "sqlite3 -csv '$datastore' \"SELECT * FROM MessageEx WHERE type = 'SMS'\" > '$work/dump.csv'")

exported=$(sed -n '2s/"//g; 2s/.*count=\([0-9]*\).*/\1/p' "$work/sms_All Phones.xml")
dumped=$(sqlite3 "$datastore" "SELECT count(*) FROM MessageEx WHERE type = 'SMS'")
echo "messages exported: $exported, SMS rows in the datastore: $dumped"
echo "backup file: $(du -h "$work/sms_All Phones.xml" | cut -f1), dump: $(du -h "$work/dump.csv" | cut -f1)"
awk -v ew="$export_wall" -v ec="$export_cpu" -v er="$export_rss" \
  -v dw="$dump_wall" -v dc="$dump_cpu" -v dr="$dump_rss" 'BEGIN {
  printf "velmorra-cli convert: %.2f s wall, %.2f s cpu, peak %.0f MiB\n", ew, ec, er / 1024
  printf "sqlite3 -csv dump:    %.2f s wall, %.2f s cpu, peak %.0f MiB\n", dw, dc, dr / 1024
  ratio = ew / dw
  printf "wall time ratio export/dump: %.2f (target <= 1.5): %s\n", ratio, ratio <= 1.5 ? "met" : "MISSED"
  printf "cpu time ratio export/dump: %.2f\n", ec / dc
  peak = er / 1024 / 1024
  printf "export peak memory: %.2f GiB (target <= 1.5 GiB): %s\n", peak, peak <= 1.5 ? "met" : "MISSED"
}'
