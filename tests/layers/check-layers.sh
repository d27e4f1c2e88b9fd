#!/usr/bin/env bash
# Fails when a file includes one of ours from a room above its own. The rooms, lowest first:
# base < render < image < display = show < effects < platform < stage < capture = lab < app = web;
# tests, bench and tools may include any.
# Usage: check-layers.sh SOURCE_DIR
set -euo pipefail
cd "$1"
rooms=(base render image display show effects platform stage capture lab app web)
existing=()
for room in "${rooms[@]}"; do [[ -d $room ]] && existing+=("$room"); done
grep -rnE --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "${existing[@]}" |
  awk '
    BEGIN { rank["base"] = 0; rank["render"] = 1; rank["image"] = 2; rank["display"] = 3; rank["show"] = 3
            rank["effects"] = 4; rank["platform"] = 5; rank["stage"] = 6; rank["capture"] = 7; rank["lab"] = 7
            rank["app"] = 8; rank["web"] = 8 }
    {
      split($0, parts, ":"); room = parts[1]; sub(/\/.*/, "", room)
      target = $0; sub(/^[^"]*"/, "", target); sub(/\/.*/, "", target)
      if ((target in rank) && rank[target] > rank[room]) { print $0 "  <- " room " may not include " target; faults++ }
    }
    END {
      if (faults) { print faults " include(s) reach up to a higher room"; exit 1 }
      print "every room includes only its own and lower rooms"
    }'
