#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang 14 (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz and runs each for SECONDS seconds (default 60),
# starting from its seed corpus fuzz/corpus/TARGET. What a run learns stays in
# build-fuzz/corpus/TARGET (the committed corpus is only read); an input that crashes, hangs or
# fails a check is written to build-fuzz/findings/TARGET/, and the script ends with status 1.
# Keep such an input as fuzz/regressions/TARGET/<what-it-shows> once the fault is mended: the
# tests replay it on both systems.
#   FUZZ_TARGETS="a b"  run only these targets
#   FUZZ_JOBS=N         run N targets side by side (default 1)
#   FUZZ_BUILD=DIR      build and run in DIR instead of build-fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${FUZZ_BUILD:-build-fuzz}
targets=(${FUZZ_TARGETS:-user_reg database_header stored_text timestamp phone_escape format_sql export})
jobs=${FUZZ_JOBS:-1}
bash tools/setup-debian.sh

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
  -DCMAKE_CXX_COMPILER=clang++-14 -DVELMORRA_FUZZ=ON -DVELMORRA_BUILD_TESTS=OFF \
  -DVELMORRA_BUILD_BENCH=OFF -DVELMORRA_BUILD_WINDOW=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzzer}"

# The targets write their datastores and backups into a temporary folder, in memory where there is
# one: every backup is synced to disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1

run_target() {
  local target=$1
  local options=(-max_len=4096)
  case "$target" in
    # Long enough for a stored form past 16,384 bytes, where its length takes three bytes.
    stored_text) options=(-max_len=20000) ;;
    # Inputs that describe a hive, a datastore or a statement piece by piece: whole inputs from the
    # start, rather than lengths that grow as slowly as these targets run.
    user_reg | database_header | format_sql | export) options+=(-len_control=0) ;;
  esac
  local corpora=("$build/corpus/$target")
  [ -d "fuzz/corpus/$target" ] && corpora+=("fuzz/corpus/$target")
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  "$build/bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    "${options[@]}" -artifact_prefix="$build/findings/$target/" -print_final_stats=1 \
    "${corpora[@]}" > "$build/logs/$target.log" 2>&1
}

# One line a target: executions per second, coverage (cov: edges, ft: features) and corpus size.
summary() {
  local target=$1 status=$2 line
  line=$(grep -E '^#[0-9]+' "$build/logs/$target.log" | tail -n 1 || true)
  printf '%-16s %s  %s\n' "$target" "$status" \
    "$(sed -E 's/.*(cov: [0-9]+ ft: [0-9]+ corp: [0-9]+\/[^ ]+).*exec\/s: ([0-9]+).*/\1 exec\/s: \2/' <<< "$line")"
}

mkdir -p "$build/logs"
failed=()
pids=()
names=()
wait_one() {
  local pid=${pids[0]} name=${names[0]}
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
  if wait "$pid"; then
    summary "$name" ok
  else
    summary "$name" FAILED
    failed+=("$name")
  fi
}
for target in "${targets[@]}"; do
  run_target "$target" &
  pids+=($!)
  names+=("$target")
  if [ "${#pids[@]}" -ge "$jobs" ]; then wait_one; fi
done
while [ "${#pids[@]}" -gt 0 ]; do wait_one; done

if [ "${#failed[@]}" -gt 0 ]; then
  for target in "${failed[@]}"; do
    echo "fuzz: $target failed; its log is $build/logs/$target.log, the input in $build/findings/$target/" >&2
    grep -E 'check failed|ERROR|SUMMARY' -A2 "$build/logs/$target.log" | head -n 20 >&2 || true
  done
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds} s each and found nothing"
