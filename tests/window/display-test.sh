#!/usr/bin/env bash
# The program at its edges on a virtual X display (Xvfb, 1024 x 768, with openbox), each case
# waiting for what it expects (a window, a line on stderr, the process ending) with generous
# deadlines rather than fixed sleeps:
#  no display at all, or DISPLAY pointing at nothing: "zod: no display" and a failing exit at once;
#  missing pictures: one report naming them all (box and stderr), exit 1;
#  --window --scale 8 fits the screen;
#  Pause holds the picture, the show clock and the music; F12 writes the window's pixels;
#  the window destroyed from outside ends the show with 0.
# Usage: display-test.sh ZOD MODULE_WRITER ASSET_DIR        (exit 77: skipped, a tool is missing)
set -uo pipefail
zod=$(realpath "$1") moduleWriter=$(realpath "$2") assetSource=$(realpath "$3")
title="Zod vom Dirurar"

for tool in Xvfb openbox xdotool import compare; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zod-display.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Polls COMMAND every 0.05 s for up to SECONDS; true as soon as it succeeds.
waitFor() {
  local seconds=$1
  shift
  local tries=$((seconds * 20))
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

mkdir "$work/assets" "$work/empty"
for file in "$assetSource"/*; do [[ -e $file ]] && ln -s "$file" "$work/assets/"; done
[[ -e $work/assets/zod.xm ]] || "$moduleWriter" "$work/assets/zod.xm" || fail "cannot write a test module"

# 1. No display: before any X server is started.
for display in "" ":97"; do
  start=$(date +%s%N)
  env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY="$display" timeout 10 "$zod" --assets "$work/assets" \
    >"$work/nodisplay.log" 2>&1
  code=$?
  elapsed=$((($(date +%s%N) - start) / 1000000))
  [[ $code -ne 0 && $code -ne 124 ]] || fail "no display '$display': exit code $code"
  grep -q "^zod: no display" "$work/nodisplay.log" || fail "no display '$display': $(cat "$work/nodisplay.log")"
  ((elapsed < 2000)) || fail "no display '$display': took $elapsed ms"
  echo "ok: no display '$display' -> exit $code in $elapsed ms"
done

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
waitFor 10 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# The window manager is up once it has claimed the screen's supporting window.
waitFor 10 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' || fail "openbox did not start"
export SDL_AUDIODRIVER=dummy

zodPid= window=
findWindow() { window=$(xdotool search --name "^$1\$" 2>/dev/null | head -1); [[ -n $window ]]; }
startZod() {
  (cd "$work" && exec "$zod" "$@") >"$work/zod.out" 2>"$work/zod.err" &
  zodPid=$!
  pids+=("$zodPid")
}
ended() { ! kill -0 "$zodPid" 2>/dev/null; }
expectExit() {
  waitFor 20 ended || fail "$2: zod did not end; $(cat "$work/zod.err")"
  wait "$zodPid"
  local code=$?
  [[ $code -eq $1 ]] || fail "$2: exit code $code, wanted $1; $(cat "$work/zod.err")"
  echo "ok: $2 -> exit $code"
}

# 2. Missing pictures: one box (and the same report on stderr) naming each of the fifteen once.
# The box is modal and takes the focus; xdotool's search does not see it, the active window does.
boxShown() { [[ $(xdotool getactivewindow getwindowname 2>/dev/null) == "Dirurar Dararerad Fehler" ]]; }
startZod --window --assets "$work/empty"
waitFor 20 boxShown || fail "no report box; $(cat "$work/zod.err")"
reports=$(grep -c "^Dirurar Dararerad Fehler:" "$work/zod.err")
[[ $reports -eq 1 ]] || fail "$reports reports on stderr: $(cat "$work/zod.err")"
for picture in titel.pcx zod4.pcx herz.pcx zod1.pcx kuven.pcx ende.pcx tegel1.jpg tegel3.jpg wood1.jpg \
  metal1.jpg presents.raw balle.raw blockchen.raw dirurar.raw zod13.raw; do
  [[ $(grep -c "^  $picture:" "$work/zod.err") -eq 1 ]] || fail "$picture is not named once"
done
grep -q -- "--assets DIR" "$work/zod.err" || fail "the report gives no hint"
xdotool key Return
expectExit 1 "missing pictures"

# 3. A scale too large for the screen is made to fit it.
startZod --window --scale 8 --mute --assets "$work/assets"
waitFor 20 findWindow "$title" || fail "no window for --scale 8; $(cat "$work/zod.err")"
read -r width height < <(xdotool getwindowgeometry --shell "$window" | awk -F= '/WIDTH|HEIGHT/ {printf "%s ", $2}')
((width <= 1024 && height <= 768)) || fail "--scale 8 gave a $width x $height window on 1024 x 768"
echo "ok: --scale 8 opens $width x $height"
xdotool windowclose "$window"
expectExit 0 "window destroyed from outside"

# 4. Pause and F12, at scale 1 so the window's pixels are the screen's.
startZod --window --scale 1 --mute --assets "$work/assets"
waitFor 20 findWindow "$title" || fail "no window; $(cat "$work/zod.err")"
xdotool windowactivate --sync "$window" >/dev/null 2>&1
shot() { import -window "$window" "$work/$1.png" 2>/dev/null; }
differs() { ! compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>/dev/null; }
# The show must be moving before a pause can be seen to hold it.
shot moving0
waitFor 20 eval 'shot moving1 && differs moving0 moving1' || fail "the picture never changes"
xdotool key --window "$window" Pause
waitFor 10 grep -q "^zod: paused" "$work/zod.err" || fail "no pause; $(cat "$work/zod.err")"
shot paused0
for n in 1 2 3 4 5 6 7 8 9 10; do
  shot paused$n
  differs paused0 paused$n && fail "the picture changed while paused"
done
xdotool key --window "$window" F12
waitFor 10 grep -q "^zod: wrote zod-" "$work/zod.err" || fail "F12 wrote nothing; $(cat "$work/zod.err")"
png=$(sed -n 's/^zod: wrote \(zod-[0-9.]*\.png\).*/\1/p' "$work/zod.err" | head -1)
shot window
[[ $(compare -metric AE "$work/$png" "$work/window.png" null: 2>&1) == 0 ]] || fail "$png differs from the window"
echo "ok: F12 wrote $png, equal to the window"
xdotool key --window "$window" Pause
waitFor 10 grep -q "^zod: resumed" "$work/zod.err" || fail "no resume"
paused=$(sed -n 's/^zod: paused at \(.*\)/\1/p' "$work/zod.err")
resumed=$(sed -n 's/^zod: resumed at \(.*\)/\1/p' "$work/zod.err")
[[ -n $paused && $paused == "$resumed" ]] || fail "show time or music moved while paused: '$paused' / '$resumed'"
waitFor 20 eval 'shot after && differs paused0 after' || fail "the picture did not move on after the pause"
echo "ok: Pause held picture, show clock and music ($paused)"
xdotool key --window "$window" Escape
expectExit 0 "Escape"

# 5. Escape during a late start ends the show at once, skip ahead or not.
startZod --window --scale 1 --mute --start 25:10 --assets "$work/assets"
waitFor 20 findWindow "$title" || fail "no window for --start 25:10; $(cat "$work/zod.err")"
pressed=$(date +%s%N)
xdotool key --window "$window" Escape
waitFor 5 ended || fail "Escape during --start 25:10: zod did not end within 5 s"
echo "ok: Escape during --start 25:10 ended zod after $((($(date +%s%N) - pressed) / 1000000)) ms"
expectExit 0 "Escape during --start 25:10"
