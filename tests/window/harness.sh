# The window tests' common ground, sourced by each script: a scratch folder with the assets, a
# virtual X display with a window manager, zod started in the background, and waits on events
# (a window mapped, its picture moving, the process ended) against wall-clock deadlines, so a
# loaded machine makes a test slower but not wrong.
#
# A script sets zod, moduleWriter and assetSource, then calls harnessSetUp NAME TOOL... (exit 77
# when a tool is missing) and startX before it starts zod.

title="Zod vom Dirurar"
fatalTitle="Dirurar Dararerad Fehler"
# How long anything that should happen is waited for; only a failing test waits this long.
patience=60

work= pids=() zodPid= window=
# Ends what was started: newest first, zod before the window manager before the X server.
stopAll() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  wait 2>/dev/null
  pids=()
}
cleanup() {
  stopAll
  [[ -n $work ]] && rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
log() { cat "$work/zod.err" 2>/dev/null; }

# Polls COMMAND every 0.05 s until it succeeds (true) or SECONDS of wall time have passed (false).
nowMicros() { local now=${EPOCHREALTIME//[.,]/}; echo $((10#$now)); }
waitFor() {
  local deadline=$(($(nowMicros) + $1 * 1000000))
  shift
  until "$@"; do
    (($(nowMicros) < deadline)) || return 1
    sleep 0.05
  done
}

# NAME names the scratch folder; the tools are checked first.
harnessSetUp() {
  local name=$1 tool file
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  work=$(mktemp -d "${TMPDIR:-/tmp}/zod-$name.XXXXXX")
  # Each test remembers its own settings, never the user's.
  export XDG_CONFIG_HOME=$work/config
  mkdir "$work/assets"
  for file in "$assetSource"/*; do [[ -e $file ]] && ln -s "$file" "$work/assets/"; done
  # A small module when no composed one exists yet.
  "$moduleWriter" "$work/assets" || fail "cannot write a test module"
}

# Xvfb (SIZE, 1024x768 by default) on a display number it picks itself, with openbox unless the
# second argument is "bare" (no window manager, as in a kiosk); exports DISPLAY and the dummy
# audio driver.
startX() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  waitFor "$patience" test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -1 "$work/display")"
  export SDL_AUDIODRIVER=dummy
  [[ ${2:-} == bare ]] && return
  openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
  # The window manager is up once it has claimed the screen's supporting window.
  waitFor "$patience" eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
    fail "openbox did not start: $(cat "$work/openbox.log")"
}

# Runs zod in the scratch folder (where F12 writes) with the given options.
startZod() {
  (cd "$work" && exec "$zod" "$@") >"$work/zod.out" 2>"$work/zod.err" &
  zodPid=$!
  pids+=("$zodPid")
}
ended() { ! kill -0 "$zodPid" 2>/dev/null; }

# Waits for zod to end and checks its exit code.
expectExit() {
  waitFor "$patience" ended || {
    fatalBoxShown && fail "$2: a fatal message box is open; $(log)"
    fail "$2: zod did not end within $patience s; $(log)"
  }
  wait "$zodPid"
  local code=$?
  [[ $code -eq $1 ]] || fail "$2: exit code $code, wanted $1; $(log)"
  echo "ok: $2 -> exit $code"
}

# A fatal report is a modal box that takes the focus; xdotool's search does not see it, the
# active window does.
fatalBoxShown() { [[ $(xdotool getactivewindow getwindowname 2>/dev/null) == "$fatalTitle" ]]; }
noFatalBox() { fatalBoxShown && fail "$1: a fatal message box is open; $(log)"; return 0; }

# The show's window once it is mapped (sets window).
findWindow() { window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1); [[ -n $window ]]; }

shot() { import -window "${2:-$window}" "$work/$1.png" 2>/dev/null; }
# A raw dump of the window's pixels, quicker than a screenshot, for telling pictures apart.
grab() { xwd -silent -id "$window" >"$work/$1.xwd" 2>/dev/null && [[ -s $work/$1.xwd ]]; }
differs() { ! cmp -s "$work/$1.xwd" "$work/$2.xwd"; }
# Is REGION of the screenshot NAME pure black (its largest channel value 0)?
black() { [[ $(convert "$work/$1.png" -crop "$2" +repage -format '%[fx:maxima]' info:) == 0 ]]; }

# Waits until the show's window is mapped and its picture moves: frames are being presented into
# the window that stays (the display may replace the first window while it sets up its renderer).
waitForShow() {
  local shown=
  showMoving() {
    ended && fail "$1: zod ended; $(log)"
    noFatalBox "$1"
    findWindow || return 1
    if [[ $window != "$shown" ]]; then
      grab first && shown=$window
      return 1
    fi
    grab latest && differs first latest
  }
  waitFor "$patience" showMoving "$1" || fail "$1: no window with a moving picture within $patience s; $(log)"
}

# Gives the show's window the focus, then sends it the keys.
sendKeys() {
  timeout "$patience" xdotool windowactivate --sync "$window" >/dev/null 2>&1
  xdotool key --window "$window" "$@"
}
