#!/usr/bin/env bash
# `make run`: once the store's UI exists this builds it, creates a demo device
# with Tobrix installed, starts catalogd on loopback and opens the store in a
# window (or a headless tour with screenshots where there is no display).
set -euo pipefail
cat <<'MSG'
make run: the store's screens are not built yet.
When they are, this command will
  1. build the project,
  2. create a demo device root with Tobrix installed from the package
     the build makes (scripts/demo-device.sh),
  3. start catalogd on 127.0.0.1 with the seeded sample catalog,
  4. open Tobrix in a window on that device (a headless tour with
     screenshots when there is no display).
Until then, `make test` builds everything and runs every test.
MSG
exit 1
