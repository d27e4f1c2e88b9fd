#!/usr/bin/env bash
# The program at its edges on a virtual X display (Xvfb, 1024 x 768, with openbox), each case
# waiting for what it expects (see harness.sh):
#  no display at all, or DISPLAY pointing at nothing: "zod: no display" and a failing exit at once;
#  missing pictures: one report naming them all (box and stderr), exit 1;
#  --window --scale 8 fits the screen;
#  Pause holds the picture, the show clock and the music; F12 writes the window's pixels;
#  the window destroyed from outside ends the show with 0; Escape during a late start ends it with 0;
#  while paused, Right and PgDn land on the moment `zod still` shows, I draws a line in the bar but
#  not into F12's picture, and -, + and M change the sound's level, as the run log says.
# Usage: display-test.sh ZOD MODULE_WRITER ASSET_DIR ZOD_ART  (exit 77: skipped, a tool is missing)
set -uo pipefail
zod=$(realpath "$1") moduleWriter=$(realpath "$2") assetSource=$(realpath "$3") art=$(realpath "$4")
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

harnessSetUp display Xvfb openbox xdotool xprop xwininfo xwd import convert compare
mkdir "$work/empty"

# 1. No display: before any X server is started.
for display in "" ":97"; do
  start=$(nowMicros)
  env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY="$display" timeout 10 "$zod" --assets "$work/assets" \
    >"$work/nodisplay.log" 2>&1
  code=$?
  elapsed=$((($(nowMicros) - start) / 1000))
  [[ $code -ne 0 && $code -ne 124 ]] || fail "no display '$display': exit code $code"
  grep -q "^zod: no display" "$work/nodisplay.log" || fail "no display '$display': $(cat "$work/nodisplay.log")"
  # At once: well before the 10 s that would mean it waits for a display.
  ((elapsed < 5000)) || fail "no display '$display': took $elapsed ms"
  echo "ok: no display '$display' -> exit $code in $elapsed ms"
done

startX

# 2. Missing pictures: one box (and the same report on stderr) naming each picture of the show once.
mapfile -t pictures < <("$art" --list)
((${#pictures[@]} > 0)) || fail "zod-art --list named no pictures"
startZod --window --assets "$work/empty"
waitFor "$patience" fatalBoxShown || fail "no report box; $(log)"
reports=$(grep -c "^$fatalTitle:" "$work/zod.err")
[[ $reports -eq 1 ]] || fail "$reports reports on stderr: $(log)"
for picture in "${pictures[@]}"; do
  [[ $(grep -c "^  $picture:" "$work/zod.err") -eq 1 ]] || fail "$picture is not named once"
done
grep -q -- "--assets DIR" "$work/zod.err" || fail "the report gives no hint"
xdotool key Return
expectExit 1 "missing pictures"

# 3. A scale too large for the screen is made to fit it.
startZod --window --scale 8 --mute --assets "$work/assets"
waitForShow "--scale 8"
read -r width height < <(xdotool getwindowgeometry --shell "$window" | awk -F= '/WIDTH|HEIGHT/ {printf "%s ", $2}')
((width <= 1024 && height <= 768)) || fail "--scale 8 gave a $width x $height window on 1024 x 768"
echo "ok: --scale 8 opens $width x $height"
xdotool windowclose "$window" || fail "cannot destroy window $window"
expectExit 0 "window destroyed from outside"

# 4. Pause and F12, at scale 1 so the window's pixels are the screen's. The show must be moving
# before a pause can be seen to hold it.
startZod --window --scale 1 --mute --assets "$work/assets"
waitForShow "scale 1"
sendKeys Pause
waitFor "$patience" grep -q "^zod: paused" "$work/zod.err" || fail "no pause; $(log)"
grab paused0 || fail "cannot read the window's pixels"
for n in 1 2 3 4 5 6 7 8 9 10; do
  grab paused$n || fail "cannot read the window's pixels"
  differs paused0 paused$n && fail "the picture changed while paused"
done
sendKeys F12
waitFor "$patience" grep -q "^zod: wrote zod-" "$work/zod.err" || fail "F12 wrote nothing; $(log)"
png=$(sed -n 's/^zod: wrote \(zod-[0-9.]*\.png\).*/\1/p' "$work/zod.err" | head -1)
shot window
[[ $(compare -metric AE "$work/$png" "$work/window.png" null: 2>&1) == 0 ]] || fail "$png differs from the window"
echo "ok: F12 wrote $png, equal to the window"
sendKeys Pause
waitFor "$patience" grep -q "^zod: resumed" "$work/zod.err" || fail "no resume"
paused=$(sed -n 's/^zod: paused at \(.*\)/\1/p' "$work/zod.err")
resumed=$(sed -n 's/^zod: resumed at \(.*\)/\1/p' "$work/zod.err")
[[ -n $paused && $paused == "$resumed" ]] || fail "show time or music moved while paused: '$paused' / '$resumed'"
waitFor "$patience" eval 'grab after && differs paused0 after' || fail "the picture did not move on after the pause"
echo "ok: Pause held picture, show clock and music ($paused)"
sendKeys Escape
expectExit 0 "Escape"

# 5. Escape during a late start ends the show at once, skip ahead or not. From 24:00 the show
# would play on by itself for 86 s, longer than the deadline. The window is not drawn while the
# show runs up to the start, so nothing shows that the display has set up the window that stays:
# the key goes again to the window found should the one it went to be gone.
startZod --window --scale 1 --mute --start 24:00 --assets "$work/assets"
escapeSent() { findWindow && xdotool key --window "$window" Escape 2>/dev/null && xwininfo -id "$window" >/dev/null 2>&1; }
waitFor "$patience" findWindow || fail "no window for --start 24:00; $(log)"
pressed=$(nowMicros)
waitFor "$patience" eval 'ended || escapeSent' || fail "Escape during --start 24:00: the window went away; $(log)"
waitFor 30 ended || fail "Escape during --start 24:00: zod did not end within 30 s"
echo "ok: Escape during --start 24:00 ended zod after $((($(nowMicros) - pressed) / 1000)) ms"
expectExit 0 "Escape during --start 24:00"

# 6. Seeks, the information line and the volume, while paused so each landing can be held against
# `zod still` at the very show time it shows (1000 frames a second: the still's clock lands on
# that millisecond too). Each F12 after a seek names the landed moment.
startZod --window --scale 1 --mute --start 0:05 --log "$work/keys.log" --assets "$work/assets"
waitForShow "seek keys"
sendKeys Pause
waitFor "$patience" grep -q "^zod: paused" "$work/zod.err" || fail "no pause before the seeks; $(log)"
landings() { grep -c "^zod: went to" "$work/zod.err"; }
shots() { grep -c "^zod: wrote zod-" "$work/zod.err"; }
# KEY lands a seek; its F12 shot equals the still at the landed moment (sets landedShot).
seekAndCompare() {
  local before=$(landings) taken=$(shots) moment
  sendKeys "$1"
  waitFor "$patience" eval '(($(landings) > before))' || fail "$1 did not seek; $(log)"
  sendKeys F12
  waitFor "$patience" eval '(($(shots) > taken))' || fail "F12 after $1 wrote nothing; $(log)"
  landedShot=$(sed -n 's/^zod: wrote \(zod-[0-9.]*\.png\).*/\1/p' "$work/zod.err" | tail -1)
  moment=$(sed -n 's/^zod: went to \([0-9:.]*\) .*/\1/p' "$work/zod.err" | tail -1)
  "$zod" still "$moment" "$work/still.png" -y --fps 1000 --assets "$work/assets" >/dev/null 2>&1 ||
    fail "zod still $moment failed"
  [[ $(compare -metric AE "$work/$landedShot" "$work/still.png" null: 2>&1) == 0 ]] ||
    fail "$1: the frame at $moment is not the still's"
  echo "ok: $1 landed at $moment, the still's frame"
}
seekAndCompare Right
seekAndCompare Next
# The bar under the picture is black until I, and F12's picture stays the frame alone.
shot plain
black plain 512x52+0+332 || fail "the bar under the picture is not black before I"
sendKeys i
waitFor "$patience" eval 'shot lined && ! black lined 512x52+0+332' || fail "I drew nothing in the bar; $(log)"
black lined 512x52+0+0 || fail "I drew in the bar above the picture"
taken=$(shots)
sendKeys F12
waitFor "$patience" eval '(($(shots) > taken))' || fail "F12 with the line wrote nothing; $(log)"
withLine=$(sed -n 's/^zod: wrote \(zod-[0-9.]*\.png\).*/\1/p' "$work/zod.err" | tail -1)
[[ $(compare -metric AE "$work/$landedShot" "$work/$withLine" null: 2>&1) == 0 ]] || fail "the line entered F12's picture"
echo "ok: I draws in the bar, F12's picture is the frame alone"
sendKeys minus minus plus m
waitFor "$patience" grep -q "^zod: volume 90%, muted" "$work/zod.err" || fail "- - + M did not mute at 90%; $(log)"
sendKeys Escape
expectExit 0 "Escape after the seeks"
seeks=$(grep -c "^seek " "$work/keys.log")
[[ $seeks -eq 2 ]] || fail "$seeks seek lines, wanted 2: $(cat "$work/keys.log")"
read -r from landed < <(sed -n 's/^seek .*from_ms=\([0-9]*\) .*landed_ms=\([0-9]*\) .*/\1 \2/p' "$work/keys.log" | head -1)
((landed - from >= 10000 && landed - from < 11000)) || fail "Right went from $from to $landed ms"
[[ $(grep -c "^volume " "$work/keys.log") -eq 4 ]] || fail "not four volume lines: $(grep "^volume " "$work/keys.log")"
grep -q "^volume .* percent=90 muted=1" "$work/keys.log" || fail "no line with 90% muted"
[[ $(grep -c "key=1" "$work/keys.log") -eq 0 ]] || fail "a seek, volume or information key repeated a cue"
echo "ok: the run log has both seeks (Right: $from -> $landed ms) and the four level changes"
