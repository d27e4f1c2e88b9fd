#!/usr/bin/env bash
# Runs the built zod on a virtual X display with a window manager and the dummy audio driver:
#  1. full screen for a few seconds; a screenshot shows the 52-row bars (104 screen rows at the 2x
#     scale of a 1024 x 768 screen) black; Escape ends it with exit code 0;
#  2. in a window; closing it through the window manager (Alt+F4) ends it with exit code 0.
# Usage: window-test.sh ZOD MODULE_WRITER ASSET_DIR        (exit 77: skipped, a tool is missing)
set -uo pipefail
zod=$1 moduleWriter=$2 assetSource=$3
title="Zod vom Dirurar"

for tool in Xvfb openbox xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zod-window.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The generated assets, plus a small module when no composed one exists yet.
mkdir "$work/assets"
for file in "$assetSource"/*; do [[ -e $file ]] && ln -s "$file" "$work/assets/"; done
[[ -e $work/assets/zod.xm ]] || "$moduleWriter" "$work/assets/zod.xm" || fail "cannot write a test module"

# Xvfb picks a free display number and writes it to the given descriptor.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1
export SDL_AUDIODRIVER=dummy

# Starts zod with the given options and waits for its window (sets zodPid and window).
zodPid= window=
startZod() {
  "$zod" --assets "$work/assets" "$@" >"$work/zod.log" 2>&1 &
  zodPid=$!
  pids+=("$zodPid")
  for _ in $(seq 100); do
    window=$(xdotool search --name "^$title\$" 2>/dev/null | head -1)
    [[ -n $window ]] && return 0
    kill -0 "$zodPid" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}

# Waits up to 10 s for zod to end; fails unless it ends with code 0.
expectExitZero() {
  for _ in $(seq 100); do
    kill -0 "$zodPid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$zodPid" 2>/dev/null; then
    noFatalBox "$1"
    fail "$1: zod did not end"
  fi
  wait "$zodPid"
  code=$?
  [[ $code -eq 0 ]] || fail "$1: exit code $code; log: $(cat "$work/zod.log")"
  echo "ok: $1 ends with 0"
}

# A fatal report is a modal box that takes the focus (xdotool search does not see it).
noFatalBox() {
  [[ $(xdotool getactivewindow getwindowname 2>/dev/null) != "Dirurar Dararerad Fehler" ]] ||
    fail "$1: a fatal message box is open; log: $(cat "$work/zod.log")"
}

# Is the given region of the screenshot pure black? (The largest channel value is 0.)
black() { [[ $(convert "$work/shot.png" -crop "$1" +repage -format '%[fx:maxima]' info:) == 0 ]]; }

startZod || fail "no full-screen window appeared; log: $(cat "$work/zod.log")"
sleep 3
kill -0 "$zodPid" 2>/dev/null || fail "zod ended by itself; log: $(cat "$work/zod.log")"
noFatalBox "full screen"
import -window root "$work/shot.png" || fail "no screenshot"
black 1024x104+0+0 || fail "the top bar is not black"
black 1024x104+0+664 || fail "the bottom bar is not black"
geometry=$(xdotool getwindowgeometry "$window" | grep Geometry)
[[ $geometry == *1024x768* ]] || fail "the window does not cover the screen: $geometry"
echo "ok: full screen, bars black"
xdotool windowactivate --sync "$window" >/dev/null 2>&1
xdotool key --window "$window" Escape
expectExitZero "Escape"

startZod --window || fail "no window appeared; log: $(cat "$work/zod.log")"
sleep 2
noFatalBox "window"
xdotool windowactivate --sync "$window" >/dev/null 2>&1
xdotool key alt+F4
expectExitZero "closing the window"
