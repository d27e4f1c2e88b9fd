#!/usr/bin/env bash
# memory-limit.sh ZOD ASSETS OUTDIR
# Start-up under a ceiling on the address space (RLIMIT_AS), at limits from the least the libraries
# need to load (`zod --version` runs) upward in 3 MiB steps until runs succeed, so that each
# start-up stage (pictures, effect buffers, the music, the encoder) is where some run fails. Every
# run either succeeds or exits 1 with "Leider habe ich nicht genug Speicher"; none dies by a signal
# or leaves a file. Below that least limit the loader or a library's own initialisation fails
# before zod runs a line, which no program can report.
set -euo pipefail
zod=$1 assets=$2 out=$3
rm -rf "$out" && mkdir -p "$out/files"
err=$out/err.txt
cd "$out/files"
fail() { echo "FAIL: $*" >&2; exit 1; }
message="Leider habe ich nicht genug Speicher"
step=$((3 * 1024 * 1024))

# run LIMIT COMMAND...: prints ok or oom, or fails the test.
run() {
  local limit=$1; shift
  set +e; prlimit --as="$limit" "$zod" "$@" > /dev/null 2> "$err"; code=$?; set -e
  [ "$code" = 0 ] && { echo ok; return; }
  [ "$code" = 1 ] && grep -qF "$message" "$err" && { echo oom; return; }
  # libx264 reports a failed allocation while it encodes as an error of its own.
  [ "$code" = 1 ] && grep -q "x264 \[error\]: malloc" "$err" && { echo oom; return; }
  fail "limit $((limit / 1024 / 1024)) MiB, zod $*: exit code $code: $(head -c 400 "$err")"
}

least=$((64 * 1024 * 1024))
until prlimit --as="$least" "$zod" --version > /dev/null 2>&1; do
  least=$((least + step))
  [ "$least" -lt $((2048 * 1024 * 1024)) ] || fail "zod --version does not run under 2 GiB"
done
echo "the libraries load from about $((least / 1024 / 1024)) MiB"

for command in still capture; do
  oom=0 ok=0
  limit=$least
  while [ "$limit" -lt $((2048 * 1024 * 1024)) ]; do
    find . -mindepth 1 -delete
    if [ "$command" = still ]; then
      result=$(run "$limit" still 0.5 out.png --assets "$assets")
    else
      result=$(run "$limit" capture out.mkv --to 0.1 --assets "$assets" --no-progress)
    fi
    case $result in
      oom) oom=$((oom + 1)) ;;
      ok) ok=$((ok + 1)); [ "$ok" -ge 3 ] && break ;;
      *) exit 1 ;;
    esac
    if [ "$result" != ok ] && [ -n "$(ls -A)" ]; then fail "zod $command at $((limit / 1024 / 1024)) MiB left $(ls -A)"; fi
    limit=$((limit + step))
  done
  echo "zod $command: $oom runs out of memory with the message, succeeds from about $((limit / 1024 / 1024)) MiB"
  [ "$ok" -ge 3 ] || fail "zod $command never succeeded under 2 GiB"
  [ "$oom" -gt 0 ] || fail "zod $command: no limit made it run out of memory after loading"
done
