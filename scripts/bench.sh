#!/usr/bin/env bash
# Runs every benchmark program the bench build produced (bench/<area>/...).
set -euo pipefail
dir=${1:-build-bench}
mapfile -t programs < <(find "$dir/bench" -type f -executable -name '*bench*' 2>/dev/null | sort)
[ ${#programs[@]} -gt 0 ] || { echo "no benchmark programs were built"; exit 1; }
for b in "${programs[@]}"; do
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
