#!/usr/bin/env bash
# Runs the built zod on a virtual X display with a window manager and the dummy audio driver:
#  1. full screen: once the picture moves, a screenshot shows the 52-row bars (104 screen rows at
#     the 2x scale of a 1024 x 768 screen) black; Escape ends it with exit code 0;
#  2. in a window; closing it through the window manager (Alt+F4) ends it with exit code 0;
#  3. the settings: the window's size, place and mode come back on the next run; --no-settings
#     leaves the file alone.
# Every step waits for what it expects (see harness.sh) rather than for a fixed time.
# Usage: window-test.sh ZOD MODULE_WRITER ASSET_DIR        (exit 77: skipped, a tool is missing)
set -uo pipefail
zod=$(realpath "$1") moduleWriter=$(realpath "$2") assetSource=$(realpath "$3")
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

harnessSetUp window Xvfb openbox xdotool xprop xwd import convert
startX

startZod --assets "$work/assets"
waitForShow "full screen"
fullScreen() { [[ $(xdotool getwindowgeometry "$window" 2>/dev/null | grep Geometry) == *1024x768* ]]; }
waitFor "$patience" fullScreen ||
  fail "the window does not cover the screen: $(xdotool getwindowgeometry "$window" | grep Geometry)"
ended && fail "zod ended by itself; $(log)"
noFatalBox "full screen"
# The first frames at the new size may still be on their way.
barsBlack() { shot screen root && black screen 1024x104+0+0 && black screen 1024x104+0+664; }
if ! waitFor "$patience" barsBlack; then
  [[ -s $work/screen.png ]] || fail "no screenshot"
  black screen 1024x104+0+0 || fail "the top bar is not black"
  fail "the bottom bar is not black"
fi
for n in 1 2 3; do barsBlack || fail "the bars did not stay black (screenshot $n after the first black one)"; done
echo "ok: full screen, bars black"
sendKeys Escape
expectExit 0 "Escape"

startZod --window --assets "$work/assets"
waitForShow "window"
xdotool windowsize --sync "$window" 700 500
xdotool windowmove --sync "$window" 40 30
timeout "$patience" xdotool windowactivate --sync "$window" >/dev/null 2>&1
xdotool key alt+F4
expectExit 0 "closing the window"

settings=$XDG_CONFIG_HOME/zod/settings
grep -q "^window-size = 700x500$" "$settings" && grep -q "^fullscreen = no$" "$settings" ||
  fail "the settings do not hold the window: $(cat "$settings")"
placeBefore=$(grep "^window-position" "$settings")
startZod --assets "$work/assets"
waitForShow "remembered window"
sized() { [[ $(xdotool getwindowgeometry "$window" 2>/dev/null | grep Geometry) == *700x500* ]]; }
waitFor "$patience" sized || fail "the remembered window size did not come back: $(xdotool getwindowgeometry "$window")"
sendKeys Escape
expectExit 0 "Escape in the remembered window"
[[ $(grep "^window-position" "$settings") == "$placeBefore" ]] ||
  fail "the window moved between runs: $placeBefore, then $(grep "^window-position" "$settings")"
cp "$settings" "$work/settings.before"
startZod --no-settings --window --scale 1 --assets "$work/assets"
waitForShow "window without settings"
sendKeys Escape
expectExit 0 "Escape without settings"
cmp -s "$settings" "$work/settings.before" || fail "--no-settings changed the settings file"
echo "ok: settings remembered"
