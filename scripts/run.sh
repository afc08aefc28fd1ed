#!/usr/bin/env bash
# `make run`: builds the store and its package (an optimised build of its
# own), creates a demo device and installs the package on it with the
# device's installer (scripts/demo-device.sh), seeds a sample catalog, serves it on
# loopback and opens Tobrix in a window pointed at it. Without a display it
# runs a headless tour instead (with the keys alone on a device without a
# touch screen) and writes its screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
RUN_DIR=${RUN_DIR:-build-run}
DEMO=$ROOT/build/demo
SCALE=${SCALE:-2}
PROFILE=${PROFILE:-wm65-vga}

echo "make run: building (optimised, in $RUN_DIR)..."
cmake -S . -B "$RUN_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOBRIX_TESTS=OFF >/dev/null
# With the device's own programs the store starts: the installer, the
# provisioning processor that removes packages, and the browser.
cmake --build "$RUN_DIR" -j "$(nproc)" --target tobrix_package devicectl wceload provision iexplore catalogd

mkdir -p "$DEMO"
rm -rf "$DEMO/device"
WINDOW=
[[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]] && WINDOW=1
# The headless tour registers an account and rates and reviews an
# application: it starts from a fresh catalog. A window keeps the catalog the
# user made.
[[ -z $WINDOW ]] && rm -f "$DEMO/catalog.db"
bash scripts/demo-device.sh "$DEMO/device" "$RUN_DIR" "$PROFILE" >/dev/null
if [[ ! -f $DEMO/catalog.db ]]; then
  echo "make run: seeding the sample catalog in $DEMO..."
  "$RUN_DIR/catalogd/catalogd" seed --db "$DEMO/catalog.db" >/dev/null
fi

# Port 0: the system picks a free one and catalogd says which.
LOG=$DEMO/catalogd.log
: >"$LOG"
"$RUN_DIR/catalogd/catalogd" serve --db "$DEMO/catalog.db" --listen 127.0.0.1:0 --quiet 2>"$LOG" &
CATALOGD=$!
trap 'kill "$CATALOGD" 2>/dev/null || true; wait "$CATALOGD" 2>/dev/null || true' EXIT
BASE=
for _ in $(seq 1 100); do
  BASE=$(sed -n 's|.* on \(http://127\.0\.0\.1:[0-9]*/\)$|\1|p' "$LOG" | head -n 1)
  [[ -n $BASE ]] && break
  kill -0 "$CATALOGD" 2>/dev/null || { cat "$LOG" >&2; exit 1; }
  sleep 0.1
done
[[ -n $BASE ]] || { echo "make run: catalogd did not start" >&2; cat "$LOG" >&2; exit 1; }
echo "make run: catalog at $BASE"

# What the package installed is what runs.
TOBRIX="$DEMO/device/Program Files/Tobrix/Tobrix.exe"
if [[ -n $WINDOW ]]; then
  echo "make run: sign in with demo / demo; the soft keys are under the screen."
  "$TOBRIX" --device-root "$DEMO/device" --base "$BASE" --scale "$SCALE"
else
  SHOTS=$DEMO/shots
  rm -rf "$SHOTS"
  mkdir -p "$SHOTS"
  # A device without a touch screen is toured with its keys alone.
  TOUR=tour.script
  grep -q '"touch": *false' "$DEMO/device/device.json" && TOUR=tour-keys.script
  echo "make run: no display, so a headless tour instead ($TOUR)..."
  (cd "$SHOTS" && "$TOBRIX" --device-root "$DEMO/device" --base "$BASE" --headless --script "$ROOT/scripts/$TOUR")
  echo "make run: the tour's screenshots are in $SHOTS:"
  ls -1 "$SHOTS"
fi
