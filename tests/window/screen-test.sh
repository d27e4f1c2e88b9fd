#!/usr/bin/env bash
# Full screen on a large and a small screen, with a window manager and without, and the keys, on a
# virtual X display (see harness.sh). The module has no cues, so every cue the run log shows is a
# key's repeat.
#  1. 1920 x 1080 with openbox: the picture at 3x (1536 x 840, 78% of the height), its pixels
#     exactly F12's picture enlarged, black around it; modifier, lock and media keys repeat no
#     cue, A does; Space pauses and P resumes; F11 opens the --window size (1024 x 768), F11 again
#     fills the screen;
#  2. 1366 x 768 without a window manager: the window covers the screen and the picture its width
#     (1366 x 747), black above and below; F11 and back.
# Usage: screen-test.sh ZOD MODULE_WRITER ASSET_DIR   (exit 77: skipped, a tool is missing)
set -uo pipefail
zod=$(realpath "$1") moduleWriter=$(realpath "$2") assetSource=$(realpath "$3")
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

harnessSetUp screen Xvfb openbox xdotool xprop xwd import convert compare
rm "$work/assets/zod.xm"
"$moduleWriter" "$work/assets" --no-cues || fail "cannot write a module without cues"

covers() { [[ $(xdotool getwindowgeometry "$window" 2>/dev/null | sed -n 's/ *Geometry: //p') == "$1" ]]; }
switchTo() {
  sendKeys F11
  waitFor "$patience" covers "$1" || fail "F11 did not give $1: $(xdotool getwindowgeometry "$window")"
  echo "ok: F11 -> $1"
}
paused() { [[ $(grep -c "^zod: paused" "$work/zod.err") -eq $1 ]]; }
resumed() { [[ $(grep -c "^zod: resumed" "$work/zod.err") -eq $1 ]]; }
# F12's picture rows as the screen should show them (PICTURE: the size to enlarge them to), and
# the screenshot NAME of the whole screen, both taken while paused.
expectedAndShot() {
  sendKeys F12
  waitFor "$patience" grep -q "^zod: wrote zod-" "$work/zod.err" || fail "$2: F12 wrote nothing; $(log)"
  local png
  png=$(sed -n 's/^zod: wrote \(zod-[0-9.]*\.png\).*/\1/p' "$work/zod.err" | tail -1)
  convert "$work/$png" -crop 512x280+0+52 +repage -scale "$1!" "$work/expected.png"
  shot "$2" root
}
picture() { convert "$work/$1.png" -crop "$2" +repage "$work/picture.png"; }

# 1.
startX 1920x1080
startZod --mute --start 1:05 --log "$work/keys.log" --assets "$work/assets"
waitForShow "1920 x 1080"
waitFor "$patience" covers 1920x1080 || fail "full screen is $(xdotool getwindowgeometry "$window")"
sendKeys shift ctrl super Caps_Lock Caps_Lock Num_Lock Num_Lock XF86AudioRaiseVolume XF86AudioLowerVolume \
  XF86AudioMute XF86AudioMute XF86AudioPlay XF86AudioNext
sendKeys a
sendKeys space
waitFor "$patience" paused 1 || fail "Space did not pause; $(log)"
expectedAndShot 1536x840 large
picture large 1536x840+192+120
[[ $(compare -metric AE "$work/expected.png" "$work/picture.png" null: 2>&1) == 0 ]] ||
  fail "the picture at 1920 x 1080 is not F12's enlarged 3x at +192+120"
black large 1920x120+0+0 && black large 1920x120+0+960 && black large 192x840+0+120 && black large 192x840+1728+120 ||
  fail "not black around the picture at 1920 x 1080"
echo "ok: 1920 x 1080: the picture exactly 3x, 1536 x 840 at +192+120, black around it"
sendKeys p
waitFor "$patience" resumed 1 || fail "P did not resume; $(log)"
grab before
waitFor "$patience" eval 'grab after && differs before after' || fail "the picture did not move on after P"
switchTo 1024x768
switchTo 1920x1080
sendKeys Escape
expectExit 0 "Escape at 1920 x 1080"
cues=$(grep -c "^cue " "$work/keys.log")
[[ $cues -eq 1 ]] || fail "$cues cues repeated, wanted 1 (A's): $(grep "^cue " "$work/keys.log")"
echo "ok: modifier, lock and media keys repeated no cue, A one"

# 2. Without what the first part's run remembered (its window of 1024 x 768).
stopAll
rm -rf "$XDG_CONFIG_HOME"
startX 1366x768 bare
startZod --mute --start 1:05 --assets "$work/assets"
waitForShow "1366 x 768 without a window manager"
waitFor "$patience" covers 1366x768 ||
  fail "full screen without a window manager is $(xdotool getwindowgeometry "$window")"
sendKeys Pause
waitFor "$patience" paused 1 || fail "Pause did not pause without a window manager; $(log)"
expectedAndShot 1366x747 small
picture small 1366x747+0+10
# Smoothed, so close to the enlarged picture rather than equal.
similarity=$(compare -metric PSNR "$work/expected.png" "$work/picture.png" null: 2>&1)
[[ $similarity == inf || ${similarity%%.*} -ge 25 ]] || fail "the picture at 1366 x 768 is not F12's ($similarity dB)"
black small 1366x10+0+0 && black small 1366x11+0+757 || fail "not black above and below the picture at 1366 x 768"
echo "ok: 1366 x 768 without a window manager: covered, the picture 1366 x 747 ($similarity dB)"
switchTo 512x384
switchTo 1366x768
sendKeys Escape
expectExit 0 "Escape without a window manager"
