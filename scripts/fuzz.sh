#!/usr/bin/env bash
# Runs every fuzz target of a libFuzzer build for FUZZ_SECONDS each and prints
# a table: target, runs, runs per second, coverage at the end (edges), the
# coverage gained during this run, and findings. New inputs go to
# <build>/fuzz-work/<target>, findings to <build>/findings/<target>/; the
# committed corpus is only read.
# FUZZ_TARGETS (names separated by spaces) limits the run to those targets.
# Usage: scripts/fuzz.sh BUILD_DIR
set -uo pipefail

build=${1:?usage: fuzz.sh BUILD_DIR}
seconds=${FUZZ_SECONDS:-60}
list="$build/fuzz-targets.txt"
[ -f "$list" ] || { echo "fuzz: no $list; configure $build first" >&2; exit 2; }

rows=()
total_findings=0
while read -r name binary corpus; do
  if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $name "* ]]; then continue; fi
  [ -x "$binary" ] || { echo "fuzz: $binary is not built" >&2; exit 2; }
  work="$build/fuzz-work/$name"
  findings="$build/findings/$name"
  log="$build/fuzz-logs/$name.log"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  seeds=()
  [ -d "$corpus" ] && seeds=("$corpus")
  echo "fuzz: $name for ${seconds}s" >&2
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "${seeds[@]}" >"$log" 2>&1
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  start_cov=$(grep -m1 'INITED' "$log" | grep -o 'cov: [0-9]*' | grep -o '[0-9]*')
  end_cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*')
  secs=$seconds
  found=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  total_findings=$((total_findings + found))
  runs=${runs:-0}
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  [ -n "$rate" ] || rate=$((runs / (secs > 0 ? secs : 1)))
  gain=$(( ${end_cov:-0} - ${start_cov:-0} ))
  rows+=("$(printf '%-24s %12s %10s %8s %8s %9s' "$name" "$runs" "$rate" "${end_cov:-0}" "+$gain" "$found")")
done <"$list"

printf '%-24s %12s %10s %8s %8s %9s\n' target runs runs/s cov "new cov" findings
printf '%s\n' "${rows[@]}"
if [ "$total_findings" -gt 0 ]; then
  echo "fuzz: $total_findings finding(s); inputs in $build/findings/, logs in $build/fuzz-logs/" >&2
  exit 1
fi
