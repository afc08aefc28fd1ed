#!/usr/bin/env bash
# Runs every benchmark program the bench build produced.
set -euo pipefail
dir=${1:-build-bench}
found=0
for b in "$dir"/bench/*; do
  if [ -f "$b" ] && [ -x "$b" ]; then
    found=1
    echo "== $(basename "$b")"
    "$b" --benchmark_min_time=0.2
  fi
done
[ "$found" = 1 ] || { echo "no benchmark programs were built"; exit 1; }
