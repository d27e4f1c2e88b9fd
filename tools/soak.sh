#!/usr/bin/env bash
# Plays the live show in real time with its run log on, then judges the log:
#  - the show ended by itself (or, with --for, on the soak's SIGTERM after that long) with exit 0;
#  - every cue of the music due in the span played was taken once, in playing order, in the scene
#    `zod --list-cues` gives for it (cues a key raised again, marked key=1, are not the music's);
#  - the main loop allocated nothing after the first frame, apart from the display driver's
#    warm-up while presenting in the first WARMUP_FRAMES frames;
#  - resident memory did not grow: the last sample is at most MEMORY_MARGIN_KB above the first one
#    taken 10 s or more after the first frame;
#  - the frame time p50 is at most --max-p50 ms (generous: the machine may be busy).
# The music runs on --mute's silent clock, which takes samples as a sound card does, in step with
# the wall clock. SDL's dummy audio driver (--dummy-audio) sleeps a whole buffer after mixing one,
# so its music, and with it every cue, falls behind the show clock by the mixing time.
# Without DISPLAY, or with --xvfb, an Xvfb of its own is started.
#
# Usage: tools/soak.sh [--from T] [--for SECONDS] [--zod PATH] [--assets DIR] [--out DIR]
#                      [--max-p50 MS] [--dummy-audio] [--xvfb]
#        tools/soak.sh --judge DIR     (judges a run kept in DIR again, without playing)
# Exit: 0 passed, 1 a check failed, 2 bad usage, 77 Xvfb is missing.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zod=$root/build/release/zod
assets=
from=
seconds=
out=
maxP50=100
audio=(--mute)
judge=
WARMUP_FRAMES=120
MEMORY_MARGIN_KB=1024

usage() { sed -n '2,/^# Exit/s/^# \{0,1\}//p' "$0" >&2; exit 2; }
while (($#)); do
  case $1 in
    --from) from=$2; shift 2 ;;
    --for) seconds=$2; shift 2 ;;
    --zod) zod=$2; shift 2 ;;
    --assets) assets=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --max-p50) maxP50=$2; shift 2 ;;
    --dummy-audio) audio=(); shift ;;
    --xvfb) unset DISPLAY; shift ;;
    --judge) judge=1; out=$2; shift 2 ;;
    *) usage ;;
  esac
done
[[ -n $judge || -x $zod ]] || { echo "soak: no program at $zod" >&2; exit 2; }
[[ -z $assets ]] && assets=$(dirname "$zod")/assets
if [[ -z $out ]]; then
  out=$(mktemp -d "${TMPDIR:-/tmp}/zod-soak.XXXXXX")
else
  mkdir -p "$out"
fi
log=$out/run.log

play() {
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done; }
trap cleanup EXIT

if [[ -z ${DISPLAY:-} ]]; then
  command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }
  # Xvfb picks a free display number and writes it to the given descriptor.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do [[ -s $out/display ]] && break; sleep 0.1; done
  [[ -s $out/display ]] || { echo "soak: Xvfb did not start: $(cat "$out/xvfb.log")" >&2; exit 1; }
  export DISPLAY=":$(head -1 "$out/display")"
fi
export SDL_AUDIODRIVER=dummy

startArgs=()
[[ -n $from ]] && startArgs=(--start "$from")
"$zod" --list-cues --assets "$assets" "${startArgs[@]}" >"$out/cues.expected" ||
  { echo "soak: zod --list-cues failed" >&2; exit 1; }

# One window at scale 1 costs the least; the show itself is the same at any scale.
"$zod" --window --scale 1 --no-settings --assets "$assets" "${audio[@]}" "${startArgs[@]}" --log "$log" >"$out/zod.out" 2>&1 &
zodPid=$!
pids+=("$zodPid")
began=$SECONDS
# The whole show, the fast-forward to --from and a margin; with --for, that long after the first frame.
limit=$((26 * 60 + 120))
stopped=
: >"$out/load.txt"
nextLoad=0
while kill -0 "$zodPid" 2>/dev/null; do
  if ((SECONDS >= nextLoad)); then
    echo "$((SECONDS - began)) $(cut -d' ' -f1-3 /proc/loadavg)" >>"$out/load.txt"
    nextLoad=$((SECONDS + 10))
  fi
  if [[ -n $seconds && -z ${firstFrameAt:-} ]] && grep -q '^start ' "$log" 2>/dev/null; then
    firstFrameAt=$SECONDS
  fi
  if [[ -n ${firstFrameAt:-} ]] && ((SECONDS - firstFrameAt >= seconds)); then
    stopped=after-for
    kill -TERM "$zodPid"
    break
  fi
  if ((SECONDS - began > limit)); then
    stopped=timeout
    kill -TERM "$zodPid"
    break
  fi
  sleep 1
done
wait "$zodPid"
code=$?

  echo "$code ${stopped:--} ${seconds:--}" >"$out/outcome"
}

if [[ -n $judge ]]; then
  [[ -s $out/outcome ]] || { echo "soak: $out holds no finished run" >&2; exit 2; }
else
  play
fi
read -r code stopped seconds <"$out/outcome"
[[ $stopped == - ]] && stopped=
[[ $seconds == - ]] && seconds=
limit=$((26 * 60 + 120))
failures=0
field() { sed -n "s/.*\b$2=\([^ ]*\).*/\1/p" <<<"$1"; }

# How it ended.
endLine=$(grep '^end ' "$log" 2>/dev/null | tail -1)
startLine=$(grep '^start ' "$log" 2>/dev/null | head -1)
if [[ -z $endLine ]]; then
  echo "soak: FAIL: the log has no end line (exit code $code); zod said: $(tail -5 "$out/zod.out")"
  exit 1
fi
span="show $(field "$startLine" show_ms) ms to $(field "$endLine" show_ms) ms, scenes $(field "$startLine" scene) to $(field "$endLine" scene), $(field "$endLine" frame) frames"
case $stopped in
  after-for) how="stopped by the soak after ${seconds} s" ;;
  timeout) how="did not end within ${limit} s" ;;
  *) how="ended by itself" ;;
esac
if [[ $code -eq 0 && $stopped != timeout ]]; then
  echo "soak: ok: $how with exit 0 ($span)"
else
  echo "soak: FAIL: $how with exit $code ($span)"
  failures=$((failures + 1))
fi

# Cues: the taken ones against the expected ones, one by one, in order.
# Each cue must also come at its time: its delay after the music time may change from one cue to
# the next by less than half the gap to its neighbours, so a lost or doubled cue shows even
# among cues of the same code; the first comes within a second of the first frame.
awk -v ended="$([[ -z $stopped ]] && echo 1 || echo 0)" -v endMs="$(field "$endLine" show_ms)" \
    -v startMs="$(field "$startLine" show_ms)" '
  function val(key,   i, kv) { for (i = 2; i <= NF; i++) { split($i, kv, "="); if (kv[1] == key) return kv[2] } return "" }
  function abs(x) { return x < 0 ? -x : x }
  FNR == NR && $1 == "cues" && $2 == "from" { fromMs = $5; gsub(/[()]/, "", fromMs); next }
  FNR == NR { if ($1 ~ /^[0-9]+$/ && $5 > 0) { n++; ms[n] = $3; code[n] = $4; scene[n] = $5; name[n] = $6 } next }
  $1 == "cue" && val("key") != "1" { m++; got[m] = val("code") " " val("scene") " " val("name"); at[m] = val("show_ms") }
  END {
    bad = 0
    for (i = 1; i <= m; i++) {
      if (i > n) { printf "soak: FAIL: cue %d (%s at %s ms) was not expected\n", i, got[i], at[i]; bad = 1; break }
      want = code[i] " " scene[i] " " name[i]
      if (got[i] != want) {
        printf "soak: FAIL: cue %d taken as code/scene %s at %s ms; expected %s (music at %s ms)\n", i, got[i], at[i], want, ms[i]
        bad = 1; break
      }
      lag = at[i] - ms[i]
      tolerance = 1000
      if (i > 1 && (ms[i] - ms[i - 1]) / 2 < tolerance) tolerance = (ms[i] - ms[i - 1]) / 2
      if (i < n && (ms[i + 1] - ms[i]) / 2 < tolerance) tolerance = (ms[i + 1] - ms[i]) / 2
      reference = i == 1 ? startMs - fromMs : previousLag
      if (abs(lag - reference) > tolerance) {
        printf "soak: FAIL: cue %d (code %s, scene %s) taken at %s ms, %.0f ms after its music time (%s ms) where %.0f ms was due: a cue lost, doubled or late\n", i, code[i], scene[i], at[i], lag, ms[i], reference
        bad = 1; break
      }
      previousLag = lag
      if (i == 1 || lag < lo) lo = lag
      if (i == 1 || lag > hi) hi = lag
    }
    # Expected cues left over: none when the show ended by itself; else only those heard too
    # late for the last frame (a second after it, at the latency seen).
    missing = 0
    for (i = m + 1; i <= n; i++) if (ended || ms[i] + (m ? hi : 0) < endMs - 1000) missing++
    if (!bad && missing) { printf "soak: FAIL: %d expected cue(s) never taken, the first: code %s in scene %s at music %s ms\n", missing, code[m + 1], scene[m + 1], ms[m + 1]; bad = 1 }
    due = 0
    for (i = 1; i <= n; i++) if (ended || i <= m || ms[i] + lo <= endMs) due++
    if (!bad) printf "soak: ok: cues %d taken / %d expected in the span, once each, in order, each in its scene (taken %.0f to %.0f ms after the music time)\n", m, due, lo, hi
    exit bad
  }' "$out/cues.expected" "$log" || failures=$((failures + 1))

# Allocations.
allocLine=$(grep '^allocations ' "$log")
total=$(field "$allocLine" after_first_frame)
inPresent=$(field "$allocLine" in_present)
lateAlloc=$(awk -v w=$WARMUP_FRAMES '$1 == "alloc" { split($2, f, "="); split($5, p, "=");
  split($4, c, "="); if (f[2] > w || p[2] != c[2]) { print $0; exit } }' "$log")
if [[ $total =~ ^[0-9]+$ && $((total - inPresent)) -eq 0 && -z $lateAlloc && $(grep -c '^alloc ' "$log") -lt 16 ]]; then
  echo "soak: ok: allocations after the first frame: $total, all by the display driver while presenting in its first $WARMUP_FRAMES frames"
else
  echo "soak: FAIL: allocations after the first frame: $total ($inPresent while presenting)${lateAlloc:+; $lateAlloc}"
  failures=$((failures + 1))
fi

# Resident memory: every picture and buffer is made before the first frame, so after the first
# 10 s (the display's warm-up) nothing should be added.
read -r first last samples < <(awk '
  $1 == "mem" { split($2, w, "="); split($4, r, "="); n++; if (!first && w[2] >= 10) first = r[2]; last = r[2] }
  END { print (first ? first : last), last, n }' "$log")
if ((last <= first + MEMORY_MARGIN_KB)); then
  echo "soak: ok: resident memory ${first} kB at 10 s, ${last} kB at the end ($samples samples; margin $MEMORY_MARGIN_KB kB)"
else
  echo "soak: FAIL: resident memory grew from ${first} kB at 10 s to ${last} kB at the end"
  failures=$((failures + 1))
fi

# Frame times: printed; only the median is held to a (generous) bound.
frameLine=$(grep '^frametime_ms ' "$log")
renderLine=$(grep '^rendertime_ms ' "$log")
p50=$(field "$frameLine" p50)
if awk -v p="$p50" -v m="$maxP50" 'BEGIN { exit !(p <= m) }'; then
  echo "soak: ok: frame time p50 $p50 ms, p99 $(field "$frameLine" p99) ms, max $(field "$frameLine" max) ms; render p50 $(field "$renderLine" p50) ms, p99 $(field "$renderLine" p99) ms"
else
  echo "soak: FAIL: frame time p50 $p50 ms is over $maxP50 ms (p99 $(field "$frameLine" p99) ms)"
  failures=$((failures + 1))
fi
echo "soak: load average (1/5/15 min) at the start and the end: $(head -1 "$out/load.txt" | cut -d' ' -f2-) / $(tail -1 "$out/load.txt" | cut -d' ' -f2-)"
echo "soak: log and outputs in $out"
if ((failures)); then
  echo "soak: FAIL ($failures check(s))"
  exit 1
fi
echo "soak: PASS"
