#!/usr/bin/env bash
# Renders sixteen stills across the show, every scene at least once, and tiles them into one
# PNG with each still's show time and scene as its label: the show at a glance, for review.
# Usage: tools/stills-sheet.sh ZOD ASSET_DIR OUT.png
set -euo pipefail
zod=$1
assets=$2
out=$3
command -v montage >/dev/null || { echo "stills-sheet: ImageMagick's montage is missing" >&2; exit 1; }

# Show time and scene, in the order of the timeline.
stills=(
  "0:10 presents" "0:45 title" "1:30 heart" "3:30 heart"
  "5:00 sphere" "5:43 square tunnel" "5:50 plane" "6:30 heart"
  "8:00 tunnel" "9:12 square tunnel" "9:35 plane" "10:00 title"
  "11:00 tunnel" "15:30 title" "23:00 sphere" "24:56 end"
)

work=$(mktemp -d "${TMPDIR:-/tmp}/zod-stills.XXXXXX")
trap 'rm -rf "$work"' EXIT
args=()
for i in "${!stills[@]}"; do
  time=${stills[$i]%% *}
  file=$work/$(printf '%02d' "$i").png
  echo "still ${stills[$i]}"
  "$zod" still "$time" "$file" --assets "$assets" >/dev/null
  args+=(-label "${stills[$i]}" "$file")
done
montage -background '#1b1c22' -fill '#d8dde8' -pointsize 16 "${args[@]}" -tile 4x -geometry +6+6 "$out"
echo "wrote $out"
