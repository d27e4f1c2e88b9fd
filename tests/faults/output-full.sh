#!/usr/bin/env bash
# output-full.sh limit|disk ZOD ASSETS OUTDIR
# Every writer of the program meets a write that fails part-way: under `ulimit -f` (the file size
# limit, EFBIG) or on a 64 KiB tmpfs (ENOSPC). Each must exit 1 with a message naming the file and
# the cause, and leave neither the file nor a temporary one behind.
set -euo pipefail
mode=$1 zod=$2 assets=$3 out=$4
rm -rf "$out" && mkdir -p "$out/full"
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ "$mode" = disk ]; then
  [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=64k zodfull "$out/full" 2> /dev/null ||
    { echo "cannot mount a small tmpfs here (needs root): skipped"; exit 77; }
  trap 'cd /; umount "$out/full"' EXIT
  limit=unlimited cause="disk is full"
else
  limit=64 cause="file size limit"
fi
printf 'render 100\nrender 5000\n' > "$out/show.lab"
cd "$out/full"
err=$out/err.txt

# expect_full NAME OUTPUT COMMAND...: exit 1, the cause and the file named, nothing left over.
expect_full() {
  local name=$1 file=$2; shift 2
  set +e; (ulimit -f "$limit"; exec "$zod" "$@") > /dev/null 2> "$err"; code=$?; set -e
  cat "$err"
  [ "$code" = 1 ] || fail "$name: exit code $code"
  grep -q "$cause" "$err" || fail "$name: the message does not say '$cause'"
  grep -qF "$file" "$err" || fail "$name: the message does not name $file"
  leftovers=$(find . -type f)
  [ -z "$leftovers" ] || fail "$name: left behind: $leftovers"
}
expect_full "still" out.png still 61 out.png --assets "$assets"
expect_full "capture .mkv" out.mkv capture out.mkv --from 61 --to 63 --assets "$assets" --no-progress
expect_full "capture .mp4" out.mp4 capture out.mp4 --from 61 --to 63 --assets "$assets" --no-progress
expect_full "lab" frame-00000.raw lab --assets "$assets" --script "$out/show.lab" --out lab --png
echo "every writer reported the full $([ "$mode" = disk ] && echo disk || echo file size limit) and left nothing"
