#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and `make run` need.
# Idempotent: apt-get runs only when at least one package is missing, so a
# warm machine pays nothing for it.
set -euo pipefail

PACKAGES=(
  # toolchain
  g++ cmake ninja-build pkg-config ccache make git mold
  # the mutation runner (scripts/mutants.py) and its test
  python3
  # libraries the code links against
  libcurl4-openssl-dev libpugixml-dev libsqlite3-dev libpng-dev libjpeg62-turbo-dev
  libgif-dev libfreetype-dev fonts-dejavu-core libsdl2-dev libgcab-dev libcpp-httplib-dev
  libcli11-dev nlohmann-json3-dev libsodium-dev libssl-dev liblitehtml-dev libpq-dev
  # catalogd's HTTP layer compresses answers with these (named, not left to
  # the HTTP library's own dependencies)
  zlib1g-dev libbrotli-dev
  # catalogd on a shared store behind a proxy (scripts/catalog-cluster.sh)
  postgresql nginx
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev xvfb xauth wrk curl
  ca-certificates libxml2-utils openssl
  # which lines the suites execute (make coverage)
  gcovr
)

missing=()
for p in "${PACKAGES[@]}"; do
  # dpkg-query prints "install ok installed" only for a fully installed package
  if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
