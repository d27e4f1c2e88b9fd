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

cmake -S "$root" -B "$buildDir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$buildDir" -j"$(nproc)" ${ZOD_BUILD_TARGET:+--target "$ZOD_BUILD_TARGET"}
