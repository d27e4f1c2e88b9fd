#!/usr/bin/env bash
# Rewrites tests/golden/<name>.hashes from the current build: one hash per rendered frame of
# tests/golden/<name>.lab, against the generated assets. Run it after a deliberate change to what
# a frame shows, look at the frames (PNG files in the printed folder), and commit the hashes.
# Usage: tools/refresh-goldens.sh [BUILD_DIR] [NAME...]      (default build/release, all scripts)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/release}
shift || true
zod=$build/zod
assets=$build/assets
[[ -x $zod ]] || { echo "no zod in $build; build first" >&2; exit 1; }

if (($#)); then names=("$@"); else
  names=()
  for script in "$root"/tests/golden/*.lab; do names+=("$(basename "$script" .lab)"); done
fi

out=$(mktemp -d "${TMPDIR:-/tmp}/zod-goldens.XXXXXX")
for name in "${names[@]}"; do
  script=$root/tests/golden/$name.lab
  [[ -f $script ]] || { echo "no script $script" >&2; exit 1; }
  "$zod" lab --assets "$assets" --script "$script" --out "$out/$name" --png \
    --hashes "$root/tests/golden/$name.hashes" >/dev/null
  echo "$name: $(wc -l <"$root/tests/golden/$name.hashes") frames, pictures in $out/$name"
done
