#!/usr/bin/env bash
# Fails when a file includes one of ours from a room above its own. The rooms, lowest first:
# base < render < image < display = show < effects < app; tests, bench and tools may include any.
# Usage: check-layers.sh SOURCE_DIR
set -uo pipefail
root=$1
rank() {
  case $1 in
    base) echo 0 ;; render) echo 1 ;; image) echo 2 ;; display | show) echo 3 ;; effects) echo 4 ;;
    app) echo 5 ;; *) echo "" ;;
  esac
}
faults=0
for room in base render image display show effects app; do
  [[ -d $root/$room ]] || continue
  own=$(rank "$room")
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$text")
    other=$(rank "$target")
    if [[ -n $other && $other -gt $own ]]; then
      echo "${file#"$root"/}:$line: $room may not include $target: $text"
      faults=$((faults + 1))
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$root/$room" --include='*.cpp' --include='*.h')
done
if ((faults)); then
  echo "$faults include(s) reach up to a higher room"
  exit 1
fi
echo "every room includes only its own and lower rooms"
