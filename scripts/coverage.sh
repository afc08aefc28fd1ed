#!/usr/bin/env bash
# Line coverage of the product code (src/, emulator/, catalogd/, formats/,
# tools/) by the suites: builds the coverage build, forgets the counts of the
# run before, runs the suites (only LABELS, a space-separated list of test
# programs, when given), and writes DIR/coverage.json and a summary.
# With BASE (a coverage.json kept from another run, e.g. before a suite was
# cut) it lists every line that run executed and this one does not: what a
# cut would leave unguarded.
# Usage: scripts/coverage.sh DIR [LABELS] [BASE]
set -uo pipefail
dir=$1; labels=${2:-}; base=${3:-}
cmake --build "$dir" -j "$(nproc)" || exit 1
find "$dir" -name '*.gcda' -delete
select=()
[ -n "$labels" ] && select=(-L "^($(echo $labels | tr ' ' '|'))$")
(cd "$dir" && ctest "${select[@]}" -j "$(( $(nproc) * 2 ))" --timeout 300 --output-on-failure) > "$dir/coverage-tests.log" 2>&1
status=$?
grep -E "tests passed|Failed" "$dir/coverage-tests.log" | tail -5
filters=()
for f in src emulator catalogd formats tools; do filters+=(--filter "$f/"); done
gcovr -r . --object-directory "$dir" -j "$(nproc)" "${filters[@]}" --json "$dir/coverage.json" --print-summary --txt "$dir/coverage.txt" || exit 1
echo "coverage: $dir/coverage.json, per file in $dir/coverage.txt"
[ -n "$base" ] && python3 scripts/coverage_lost.py "$base" "$dir/coverage.json"
exit $status
