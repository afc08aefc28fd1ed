#!/usr/bin/env bash
# Makes a demo device with the store installed from the package the build made:
#   scripts/demo-device.sh DEVICE_DIR [BUILD_DIR] [PROFILE]
# The package is BUILD_DIR/package/QueltTobrix.cab unless TOBRIX_PACKAGE names
# another one. The installation asks nothing; nothing waits for an answer.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: scripts/demo-device.sh DEVICE_DIR [BUILD_DIR] [PROFILE]" >&2
  exit 2
fi
dir=$1
build=${2:-build}
profile=${3:-wm65-vga}
cab=${TOBRIX_PACKAGE:-$build/package/QueltTobrix.cab}
if [ ! -f "$cab" ]; then
  echo "demo-device: $cab is missing (the build makes it once the tobrix program exists)" >&2
  exit 1
fi
"$build/emulator/devicectl/devicectl" create "$dir" --profile "$profile"
cp "$cab" "$dir/My Documents/QueltTobrix.cab"
TOBRIX_DEVICE_ROOT="$(cd "$dir" && pwd)" "$build/emulator/wceload/wceload" /delete 1 '\My Documents\QueltTobrix.cab' </dev/null
echo "demo-device: Tobrix is installed on $dir"
