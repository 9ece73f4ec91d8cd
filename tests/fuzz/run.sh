#!/usr/bin/env bash
# Runs every fuzz target for SECONDS, PARALLEL at a time, and sums up per target: runs,
# faults (crashes, timeouts, out-of-memory), leaks and the slowest input. Each target
# starts from its committed seeds and regression inputs and keeps what it finds in
# BUILD/fuzz/TARGET/corpus; an input that broke it is left in BUILD/fuzz/TARGET/artifacts.
# Once such a fault is mended, copy the input to tests/fuzz/regressions/TARGET/.
#   run.sh BUILD SECONDS [PARALLEL]
set -uo pipefail

build=$(cd "$1" && pwd)
seconds=$2
parallel=${3:-2}
here=$(cd "$(dirname "$0")" && pwd)
targets=(filter rowsetxml values banklookup feeperiod dtaus dtausline certificates rtf delimited xlsx ods settingsfile iban
         backupdescription xls mdb sqlitemdb)
# Inputs up to this many bytes (libFuzzer's own default is the largest seed, at least 4 KB):
# a workbook needs some hundred KB before its sheets have many rows, a database file a few pages.
declare -A max_len=([xlsx]=524288 [ods]=262144 [xls]=65536 [mdb]=524288 [sqlitemdb]=65536)

run_target() {
  local t=$1 out="$build/fuzz/$1"
  mkdir -p "$out/corpus" "$out/artifacts"
  rm -f "$out/artifacts/"*
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/tests/fuzz/fuzz-$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    ${max_len[$t]:+-max_len=${max_len[$t]}} \
    -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
    "$out/corpus" "$here/seeds/$t" "$here/regressions/$t" >"$out/log.txt" 2>&1
  echo $? >"$out/rc"
}

for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n; done
  echo "Fuzzing $t for ${seconds} s ..."
  run_target "$t" &
done
wait

status=0
printf '\n%-11s %12s %8s %7s %6s %14s\n' target runs seconds faults leaks "slowest (s)"
for t in "${targets[@]}"; do
  out="$build/fuzz/$t"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log.txt" | tail -n1)
  slowest=$(sed -n 's/^stat::slowest_unit_time_sec: *//p' "$out/log.txt" | tail -n1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$out/log.txt" | tail -n1)
  faults=$(find "$out/artifacts" -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  leaks=$(find "$out/artifacts" -type f -name 'leak-*' | wc -l)
  printf '%-11s %12s %8s %7s %6s %14s\n' "$t" "${runs:-?}" "${took:-?}" "$faults" "$leaks" "${slowest:-?}"
  if [ "$(cat "$out/rc")" -ne 0 ] || [ "$faults" -gt 0 ] || [ "$leaks" -gt 0 ]; then
    status=1
    echo "  $t: see $out/log.txt and $out/artifacts/" >&2
  fi
done
exit $status
