#!/usr/bin/env bash
# Installs missing Debian packages, then configures and builds one build directory.
# Usage: tools/setup.sh BUILD_DIR [extra cmake arguments...]
# ZOD_BUILD_TARGET=<target> builds only that target instead of everything.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
buildDir=$1
shift

mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$root/tools/debian-packages.txt")
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$pkg")
done
if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "zod needs these Debian packages; install them as root and run again:" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi

# The browser tests' driver: puppeteer-core at the version pinned in tools/web/package-lock.json.
# It never downloads a browser (the tests use Debian's chromium). Without it, or without the
# network to fetch it, the browser tests are skipped and everything else goes on.
webTools=$root/tools/web
if [[ ! -d $webTools/node_modules/puppeteer-core ]]; then
  if ! command -v npm >/dev/null && [[ $(id -u) -eq 0 ]]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq npm || true
  fi
  if command -v npm >/dev/null; then
    PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefix "$webTools" --no-audit --no-fund --loglevel=error ||
      echo "npm ci in tools/web failed: the browser tests will be skipped" >&2
  fi
fi

cmake -S "$root" -B "$buildDir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$buildDir" -j"$(nproc)" ${ZOD_BUILD_TARGET:+--target "$ZOD_BUILD_TARGET"}
