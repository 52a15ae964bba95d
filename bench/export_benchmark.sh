#!/usr/bin/env bash
# The export benchmark: converts "All Phones" of generated datastores of 100,000, 1,000,000 and
# 3,000,000 rows with velmorra-cli and, side by side in the same run, dumps the same rows with
# `sqlite3 -csv`; prints wall and CPU time, peak memory and their share per message, the ratios
# export/dump, and checks that the backup files are byte for byte those of the reference build.
#
#   bash bench/export_benchmark.sh [BUILD_DIR] [RUNS] [SIZES]
#
# BUILD_DIR (default build-bench) is configured as a RelWithDebInfo build without tests; each
# program runs RUNS times per size (default 3), alternating, and the median counts; SIZES (default
# "100000 1000000 3000000") are the row counts, about 90% of them SMS. The reference is the export
# as it was before it read and saved on two threads (commit REFERENCE, default cad7b2d), built once
# into BUILD_DIR-reference from `git archive`; with REFERENCE=none no comparison is made. Needs
# /usr/bin/time (Debian package "time") and the sqlite3 program. Targets for 1,000,000 rows: wall
# time at most 1.5 x the dump's, peak memory at most 512 MiB.
set -euo pipefail
usage="Usage: bash bench/export_benchmark.sh [BUILD_DIR] [RUNS] [SIZES]"
for argument in "$@"; do
  case $argument in
    -h | --help) echo "$usage"; exit 0 ;;
    -*) echo "export_benchmark.sh: unknown option $argument" >&2; echo "$usage" >&2; exit 2 ;;
  esac
done
cd "$(dirname "$0")/.."
build_dir=${1:-build-bench}
runs=${2:-3}
sizes=${3:-100000 1000000 3000000}
reference=${REFERENCE:-cad7b2d}

for tool in /usr/bin/time sqlite3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

configure_and_build() {  # SOURCE_DIR BUILD_DIR TARGETS...
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORRA_BUILD_TESTS=OFF \
    -DVELMORRA_BUILD_BENCH=ON -DVELMORRA_BUILD_WINDOW=OFF >/dev/null
  cmake --build "$build" -j 2 --target "$@" >/dev/null
}

configure_and_build . "$build_dir" velmorra-cli velmorra-make-datastore velmorra-sample-datastore
if [ "$reference" != none ]; then
  reference_dir=$build_dir-reference
  if [ ! -x "$reference_dir/bin/velmorra-cli" ]; then
    rm -rf "$reference_dir/source"
    mkdir -p "$reference_dir/source"
    git archive "$reference" | tar -x -C "$reference_dir/source"
    configure_and_build "$reference_dir/source" "$reference_dir" velmorra-cli
  fi
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/velmorra-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

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

# The median of each column of the lines on standard input.
medians() {
  awk '{ for (i = 1; i <= NF; i++) v[i, NR] = $i } END {
    for (i = 1; i <= NF; i++) {
      n = 0; for (r = 1; r <= NR; r++) a[++n] = v[i, r]
      for (x = 1; x <= n; x++) for (y = x + 1; y <= n; y++) if (a[y] < a[x]) { t = a[x]; a[x] = a[y]; a[y] = t }
      printf "%s%s", (n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2), (i < NF ? " " : "\n")
    } }'
}

same_bytes() {  # DATASTORE OUTPUT_FILE
  [ "$reference" = none ] && return 0
  mkdir -p "$work/reference"
  "$reference_dir/bin/velmorra-cli" convert "$1" --output-dir "$work/reference" >/dev/null
  if cmp -s "$work/reference/sms_All Phones.xml" "$2"; then
    echo "  output identical to the reference build's"
  else
    echo "  OUTPUT DIFFERS from the reference build's" >&2
    status=1
  fi
  rm -f "$work/reference/sms_All Phones.xml"
}

status=0
echo "sample datastore:"
"$build_dir/bin/velmorra-cli" convert "$build_dir/examples/MDataStore.db3" --output-dir "$work" >/dev/null
same_bytes "$build_dir/examples/MDataStore.db3" "$work/sms_All Phones.xml"

for rows in $sizes; do
  datastore=$work/MDataStore.db3
  "$build_dir/bin/velmorra-make-datastore" "$datastore" "$rows" >/dev/null
  # Read the datastore once so that both programs start from a warm page cache.
  cat "$datastore" >/dev/null
  : >"$work/export.txt"
  : >"$work/dump.txt"
  for _ in $(seq "$runs"); do
    measure "$build_dir/bin/velmorra-cli" convert "$datastore" --output-dir "$work" >>"$work/export.txt"
    measure sh -c "sqlite3 -csv '$datastore' \"SELECT * FROM MessageEx WHERE type = 'SMS'\" \
      > '$work/dump.csv'" >>"$work/dump.txt"
  done
  read -r export_wall export_cpu export_rss < <(medians <"$work/export.txt")
  read -r dump_wall dump_cpu dump_rss < <(medians <"$work/dump.txt")
  messages=$(sed -n '2s/"//g; 2s/.*count=\([0-9]*\).*/\1/p' "$work/sms_All Phones.xml")
  echo "$rows rows, $messages messages, backup file $(du -h "$work/sms_All Phones.xml" | cut -f1)" \
    "(median of $runs runs each):"
  awk -v n="$messages" -v ew="$export_wall" -v ec="$export_cpu" -v er="$export_rss" \
    -v dw="$dump_wall" -v dc="$dump_cpu" -v dr="$dump_rss" -v rows="$rows" 'BEGIN {
    printf "  velmorra-cli convert: %6.2f s wall, %6.2f s cpu, peak %5.0f MiB;", ew, ec, er / 1024
    printf " per message %.2f us wall, %.2f us cpu, %.0f bytes peak\n", ew / n * 1e6, ec / n * 1e6, er * 1024 / n
    printf "  sqlite3 -csv dump:    %6.2f s wall, %6.2f s cpu, peak %5.0f MiB;", dw, dc, dr / 1024
    printf " per message %.2f us wall, %.2f us cpu\n", dw / n * 1e6, dc / n * 1e6
    ratio = ew / dw
    printf "  ratio export/dump: %.2f wall, %.2f cpu", ratio, ec / dc
    if (rows == 1000000) {
      printf " (target <= 1.5 wall: %s); peak %.0f MiB (target <= 512 MiB: %s)", \
        ratio <= 1.5 ? "met" : "MISSED", er / 1024, er / 1024 <= 512 ? "met" : "MISSED"
    }
    printf "\n"
  }'
  same_bytes "$datastore" "$work/sms_All Phones.xml"
done

# The window's conversion beside velmorra-cli's.
bash bench/window_benchmark.sh "$build_dir-window" "$runs" || status=1
exit $status
