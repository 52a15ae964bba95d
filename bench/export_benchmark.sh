#!/usr/bin/env bash
# The export benchmark. For generated datastores of 100,000, 1,000,000 and 3,000,000 rows (about
# 90% of them SMS) it times, side by side in the same run, alternating:
#   - `velmorra-cli convert` ("All Phones") against `sqlite3 -csv` dumping the same rows;
#   - `velmorra-cli phones` against `sqlite3 "SELECT DISTINCT IMEI ..."`, on the datastore with and
#     without an index on (IMEI, type);
#   - `velmorra-cli convert --phone` of one phone against `sqlite3 -csv` of its rows, with and
#     without that index;
# and, once, the window's end to end time (bench/window_benchmark.sh, where present) and the
# Windows build's export under Wine against the Linux build's on the same datastore. It prints
# medians of wall and CPU time (user + system), peak memory and its share per message, the ratios,
# the load of the machine while each was measured, and checks that every backup file and phone
# list is byte for byte that of the reference build. A summary ends it, target by target.
#
#   bash bench/export_benchmark.sh [BUILD_DIR] [RUNS] [SIZES]
#
# BUILD_DIR (default build-bench) is configured as a RelWithDebInfo build without tests; each
# program runs RUNS times per size (default 5; the short phone list at least 9 times), and the
# median counts; SIZES defaults to "100000 1000000 3000000". Environment:
#   DATA       folder for the generated datastores, kept between runs (default
#              ${TMPDIR:-/tmp}/velmorra-bench-data); each is made once.
#   REFERENCE  commit whose build the outputs must equal (default 12a32de, the landed build before
#              the export was brought to the read floor), built once into BUILD_DIR-reference
#              from `git archive`; "none" skips the comparison.
#   WINDOWS    folder of the Windows build (default BUILD_DIR-windows), cross-compiled once with
#              mingw-w64 (velmorra-cli.exe and sqlite3.dll only) and run under Wine in a prefix of
#              its own; "none" skips it. WINDOWS_ROWS (default 100000) is the datastore it converts.
# Needs /usr/bin/time (Debian package "time") and the sqlite3 program; Wine for the Windows line.
# Targets: export wall time at most 1.0 x the dump's and CPU time at most 1.1 x in every size;
# peak memory at most 256 MiB at 1,000,000 rows and 200 bytes per message at 3,000,000; the phone
# list at most 1.2 x the distinct query, with and without the index, from 1,000,000 rows on.
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
runs=${2:-5}
sizes=${3:-100000 1000000 3000000}
reference=${REFERENCE:-12a32de}
data=${DATA:-${TMPDIR:-/tmp}/velmorra-bench-data}
windows=${WINDOWS:-$build_dir-windows}
windows_rows=${WINDOWS_ROWS:-100000}
phone_runs=$((runs > 9 ? runs : 9))

for tool in /usr/bin/time sqlite3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

# ---- Builds -------------------------------------------------------------------------------------

configure_and_build() {  # SOURCE_DIR BUILD_DIR TARGETS...
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORRA_BUILD_TESTS=OFF \
    -DVELMORRA_BUILD_BENCH=ON -DVELMORRA_BUILD_WINDOW=OFF >/dev/null
  cmake --build "$build" -j 2 --target "$@" >/dev/null
}

configure_and_build . "$build_dir" velmorra-cli velmorra-make-datastore
cli=$build_dir/bin/velmorra-cli
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
mkdir -p "$data" "$work/out" "$work/reference"

# ---- Datastores ---------------------------------------------------------------------------------

# Prints the path of the generated datastore of ROWS rows, with the (IMEI, type) index when the
# second argument is "indexed"; made once in $data.
datastore() {  # ROWS [indexed]
  local plain=$data/messages-$1.db3 indexed=$data/messages-$1-indexed.db3
  if [ ! -f "$plain" ]; then
    "$build_dir/bin/velmorra-make-datastore" "$plain.part" "$1" >/dev/null
    mv "$plain.part" "$plain"
  fi
  if [ "${2:-}" = indexed ] && [ ! -f "$indexed" ]; then
    cp "$plain" "$indexed.part"
    sqlite3 "$indexed.part" "CREATE INDEX MessageExByImei ON MessageEx (IMEI, type)"
    mv "$indexed.part" "$indexed"
  fi
  if [ "${2:-}" = indexed ]; then echo "$indexed"; else echo "$plain"; fi
}

# ---- Measuring ----------------------------------------------------------------------------------

# The one-minute load average now.
load() {
  cut -d' ' -f1 /proc/loadavg
}

# Runs a command under /usr/bin/time -v with its standard output in the file OUT; prints
# "wall-seconds cpu-seconds kilobytes load" of the run (cpu = user + system, which other work on a
# shared machine does not inflate; load = the load average as the run began).
measure() {  # OUT COMMAND...
  local out=$1 report=$work/time.txt before
  shift
  before=$(load)
  /usr/bin/time -v -o "$report" "$@" >"$out"
  local wall cpu rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$report" |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' "$report")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$report")
  echo "$wall $cpu $rss $before"
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

# Runs COMMAND_A and COMMAND_B (each a string for sh -c) RUNS times, alternating, and sets
# a_wall a_cpu a_rss a_load and b_wall b_cpu b_rss b_load to the medians.
compare() {  # RUNS COMMAND_A COMMAND_B
  : >"$work/a.txt"
  : >"$work/b.txt"
  for _ in $(seq "$1"); do
    measure "$work/a.out" sh -c "$2" >>"$work/a.txt"
    measure "$work/b.out" sh -c "$3" >>"$work/b.txt"
  done
  read -r a_wall a_cpu a_rss a_load < <(medians <"$work/a.txt")
  read -r b_wall b_cpu b_rss b_load < <(medians <"$work/b.txt")
}

# "met" or "MISSED" for VALUE <= LIMIT.
verdict() {
  awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l ? "met" : "MISSED") }'
}

status=0
summary=()

# Says whether OUTPUT equals EXPECTED, which the reference build made; a difference fails the run.
check_same() {  # WHAT OUTPUT EXPECTED
  if cmp -s "$2" "$3"; then
    echo "  $1 identical to the reference build's"
  else
    echo "  $1 DIFFERS from the reference build's" >&2
    status=1
  fi
}

# Compares the backup file OUTPUT with the one the reference build writes, run with ARGUMENTS.
same_file_as_reference() {  # WHAT OUTPUT ARGUMENTS...
  [ "$reference" = none ] && return 0
  local what=$1 output=$2
  shift 2
  rm -f "$work/reference"/*
  "$reference_dir/bin/velmorra-cli" "$@" --output-dir "$work/reference" >/dev/null
  check_same "$what" "$output" "$work/reference/$(basename "$output")"
}

# Compares the text in the file OUTPUT with what the reference build prints, run with ARGUMENTS.
same_text_as_reference() {  # WHAT OUTPUT ARGUMENTS...
  [ "$reference" = none ] && return 0
  local what=$1 output=$2
  shift 2
  "$reference_dir/bin/velmorra-cli" "$@" >"$work/reference.txt"
  check_same "$what" "$output" "$work/reference.txt"
}

# ---- Export of all phones -----------------------------------------------------------------------

for rows in $sizes; do
  store=$(datastore "$rows")
  cat "$store" >/dev/null  # both programs start from a warm page cache
  compare "$runs" "'$cli' convert '$store' --output-dir '$work/out'" \
    "sqlite3 -csv '$store' \"SELECT * FROM MessageEx WHERE type = 'SMS'\""
  backup="$work/out/sms_All Phones.xml"
  messages=$(sed -n '2s/"//g; 2s/.*count=\([0-9]*\).*/\1/p' "$backup")
  echo "$rows rows, $messages messages, backup file $(du -h "$backup" | cut -f1)" \
    "(medians of $runs runs each, load $a_load / $b_load):"
  awk -v n="$messages" -v ew="$a_wall" -v ec="$a_cpu" -v er="$a_rss" \
    -v dw="$b_wall" -v dc="$b_cpu" -v dr="$b_rss" 'BEGIN {
    printf "  velmorra-cli convert: %6.2f s wall, %6.2f s cpu, peak %5.0f MiB;", ew, ec, er / 1024
    printf " per message %.2f us wall, %.2f us cpu, %.0f bytes peak\n", ew / n * 1e6, ec / n * 1e6, er * 1024 / n
    printf "  sqlite3 -csv dump:    %6.2f s wall, %6.2f s cpu, peak %5.0f MiB;", dw, dc, dr / 1024
    printf " per message %.2f us wall, %.2f us cpu\n", dw / n * 1e6, dc / n * 1e6
    printf "  ratio export/dump: %.2f wall, %.2f cpu\n", ew / dw, ec / dc
  }'
  wall_ratio=$(awk -v a="$a_wall" -v b="$b_wall" 'BEGIN { printf "%.2f", a / b }')
  cpu_ratio=$(awk -v a="$a_cpu" -v b="$b_cpu" 'BEGIN { printf "%.2f", a / b }')
  line="export $rows rows: wall $wall_ratio x dump (<= 1.0: $(verdict "$wall_ratio" 1.0)), cpu"
  line+=" $cpu_ratio x (<= 1.1: $(verdict "$cpu_ratio" 1.1)), load $a_load"
  if [ "$rows" = 1000000 ]; then
    mib=$(awk -v r="$a_rss" 'BEGIN { printf "%.0f", r / 1024 }')
    line+="; peak $mib MiB (<= 256: $(verdict "$mib" 256))"
  fi
  if [ "$rows" = 3000000 ]; then
    per=$(awk -v r="$a_rss" -v n="$messages" 'BEGIN { printf "%.0f", r * 1024 / n }')
    line+="; peak $per bytes per message (<= 200: $(verdict "$per" 200))"
  fi
  summary+=("$line")
  same_file_as_reference "backup file" "$backup" convert "$store"
done

# ---- The phone list and the export of one phone, with and without the index ------------------

for rows in $sizes; do
  for kind in indexed plain; do
    store=$(datastore "$rows" "$kind")
    cat "$store" >/dev/null
    compare "$phone_runs" "'$cli' phones '$store'" \
      "sqlite3 '$store' \"SELECT DISTINCT IMEI FROM MessageEx WHERE type = 'SMS'\""
    cp "$work/a.out" "$work/out/phones.txt"
    ratio=$(awk -v a="$a_wall" -v b="$b_wall" 'BEGIN { printf "%.2f", a / b }')
    cpu=$(awk -v a="$a_cpu" -v b="$b_cpu" 'BEGIN { printf "%.2f", a / b }')
    echo "$rows rows, $kind: phones $a_wall s wall, $a_cpu s cpu; distinct query $b_wall s," \
      "$b_cpu s; ratio $ratio wall, $cpu cpu (medians of $phone_runs, load $a_load)"
    # Below a million rows both take a few hundredths of a second, about the timer's resolution.
    target="<= 1.2: $(verdict "$ratio" 1.2)"
    [ "$rows" -ge 1000000 ] || target="too short to judge"
    summary+=("phones $rows rows $kind: wall $ratio x query ($target), cpu $cpu x, load $a_load")
    same_text_as_reference "phone list" "$work/out/phones.txt" phones "$store"

    phone=$(sed -n 2p "$work/out/phones.txt")
    compare "$runs" "'$cli' convert '$store' --phone '$phone' --output-dir '$work/out'" \
      "sqlite3 -csv '$store' \"SELECT * FROM MessageEx WHERE type = 'SMS' AND IMEI = '$phone'\""
    awk -v a="$a_wall" -v c="$a_cpu" -v r="$a_rss" -v b="$b_wall" -v d="$b_cpu" \
      -v head="$rows rows, $kind: convert --phone $phone" -v load="$a_load" 'BEGIN {
      printf "%s %.2f s wall, %.2f s cpu, peak %.0f MiB; its rows dumped %.2f s, %.2f s;", head, a, c, r / 1024, b, d
      printf " ratio %.2f wall, %.2f cpu (load %s)\n", a / b, c / d, load
    }'
    same_file_as_reference "backup file of one phone" "$work/out/sms_$phone.xml" \
      convert "$store" --phone "$phone"
  done
done

# ---- The window, end to end ---------------------------------------------------------------------

# bench/window_benchmark.sh builds the window in its own folder and times it from Convert to its
# result on 1,000,000 rows beside velmorra-cli; its last line is the overhead.
window_output=$(bash bench/window_benchmark.sh "$build_dir-window" "$runs") || status=1
echo "$window_output"
window_line=$(tail -n 1 <<<"$window_output" | sed 's/^ *//')
summary+=("window: $window_line")

# ---- The Windows build under Wine ---------------------------------------------------------------

if [ "$windows" != none ]; then
  if [ ! -x "$windows/bin/velmorra-cli.exe" ] || [ ! -f "$windows/bin/sqlite3.dll" ]; then
    cmake -S . -B "$windows" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DVELMORRA_BUILD_TESTS=OFF >/dev/null
    cmake --build "$windows" -j 2 --target velmorra-cli sqlite3 >/dev/null
  fi
  store=$(datastore "$windows_rows")
  export WINEPREFIX=$(realpath "$windows")/bench-wineprefix WINEDEBUG=-all
  # The first start of a prefix makes it; wait for its server so that the timed runs do not.
  wine "$windows/bin/velmorra-cli.exe" --help >/dev/null 2>&1 || true
  wineserver -w
  cat "$store" >/dev/null
  compare "$runs" "wine '$windows/bin/velmorra-cli.exe' convert '$store' --output-dir '$work/out'" \
    "'$cli' convert '$store' --output-dir '$work/reference'"
  ratio=$(awk -v a="$a_wall" -v b="$b_wall" 'BEGIN { printf "%.2f", a / b }')
  echo "Windows build under Wine, $windows_rows rows: $a_wall s wall, $a_cpu s cpu; Linux build" \
    "$b_wall s, $b_cpu s; ratio $ratio wall (medians of $runs, load $a_load)"
  summary+=("windows under wine $windows_rows rows: $ratio x the Linux build's wall time (for the record)")
  if cmp -s "$work/out/sms_All Phones.xml" "$work/reference/sms_All Phones.xml"; then
    echo "  backup file identical to the Linux build's"
  else
    echo "  backup file DIFFERS from the Linux build's" >&2
    status=1
  fi
fi

# ---- Summary ------------------------------------------------------------------------------------

echo
echo "summary:"
printf '  %s\n' "${summary[@]}"
exit $status
