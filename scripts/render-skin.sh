#!/usr/bin/env bash
# Renders every skin source (data/skin-src/NAME.svg) to data/skin/NAME.png at
# the size written in the source's own width and height, with alpha.
#
# The PNGs are committed, so building and running the store never needs a
# renderer. Only whoever changes a source runs this script; it needs Debian's
# rsvg-convert (package librsvg2-bin), which is deliberately not among the
# packages of scripts/install-deps.sh.
#
# Usage: scripts/render-skin.sh [NAME...]   (no names: every source)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
src="$root/data/skin-src"
out="$root/data/skin"

if ! command -v rsvg-convert >/dev/null; then
  echo "render-skin: rsvg-convert is missing (apt-get install librsvg2-bin)" >&2
  exit 1
fi

mkdir -p "$out"
if [ $# -eq 0 ]; then
  names=()
  for f in "$src"/*.svg; do names+=("$(basename "$f" .svg)"); done
else
  names=("$@")
fi

for name in "${names[@]}"; do
  svg="$src/$name.svg"
  [ -f "$svg" ] || { echo "render-skin: no source $svg" >&2; exit 1; }
  # Write beside the target first, so an interrupted run never leaves a
  # truncated image under the name the store loads.
  rsvg-convert --format=png --output="$out/.$name.png.tmp" "$svg"
  mv -f "$out/.$name.png.tmp" "$out/$name.png"
done

# A PNG whose source was removed would otherwise linger and keep being loaded.
for png in "$out"/*.png; do
  [ -e "$png" ] || continue
  name="$(basename "$png" .png)"
  [ -f "$src/$name.svg" ] || echo "render-skin: $png has no source any more" >&2
done
