#!/usr/bin/env bash
# Installs the build into a staging folder (no root; nothing outside WORK is touched), moves it, and
# runs the moved program from a folder without show files: --version, and a still at 1:00 that must
# equal the build tree's. Checks the installed layout and, where the tools are there, the desktop
# entry and the man page.
# Usage: check-install.sh CMAKE BUILD_DIR ZOD WORK
set -euo pipefail
cmake=$1 build=$2 zod=$3 work=$4
rm -rf "$work"
mkdir -p "$work/empty"
"$cmake" --install "$build" --prefix "$work/staged" >/dev/null
# Moved after installing, as a relocated or unpacked installation is.
mv "$work/staged" "$work/moved"
root=$work/moved
faults=0
fault() { echo "$*"; faults=$((faults + 1)); }

for file in bin/zod share/zod/zod.xm share/applications/zod.desktop share/bash-completion/completions/zod; do
  [[ -f $root/$file ]] || fault "$file is not installed"
done
for icon in "$build"/icons/*/apps/zod.png; do
  size=$(basename "$(dirname "$(dirname "$icon")")")
  cmp -s "$icon" "$root/share/icons/hicolor/$size/apps/zod.png" || fault "the $size icon is not installed"
done
for program in "$root"/bin/*; do
  [[ $program == "$root/bin/zod" ]] || fault "bin/ holds more than zod: $program"
done
if [[ -f $build/zod.1 ]]; then
  [[ -f $root/share/man/man1/zod.1 ]] || fault "the man page is not installed"
  if command -v man >/dev/null; then
    MANWIDTH=80 man -l "$root/share/man/man1/zod.1" 2>/dev/null | grep -q -- '--scaling' || fault "the man page lacks --scaling"
  fi
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/zod.desktop" || fault "the desktop entry is not valid"
fi

cd "$work/empty"
version=$("$root/bin/zod" --version) || fault "zod --version failed"
[[ ${version%%$'\n'*} =~ ^zod\ [0-9.]+$ ]] || fault "zod --version: $version"
"$root/bin/zod" still 1:00 installed.png >/dev/null || fault "the installed zod cannot write a still"
"$zod" still 1:00 built.png >/dev/null
cmp -s installed.png built.png || fault "the installed zod's still differs from the build's"
# The moved installation's own folder is searched: a file taken from it is missed there.
mv "$root/share/zod/zod.xm" "$work/zod.xm"
message=$("$root/bin/zod" still 1:00 missing.png 2>&1 || true)
grep -qF "$root/share/zod" <<<"$message" || fault "the search does not name $root/share/zod: $message"
# With one picture gone instead, the report names that picture, not every file of the empty folder.
mv "$work/zod.xm" "$root/share/zod/zod.xm"
picture=$(cd "$root/share/zod" && ls ./*.jpg | head -1)
picture=${picture#./}
mv "$root/share/zod/$picture" "$work/"
message=$("$root/bin/zod" still 1:00 missing.png 2>&1 || true)
grep -qF "$picture" <<<"$message" && ! grep -qF "zod.xm" <<<"$message" ||
  fault "with $picture gone the report does not name it alone: $message"

((faults == 0)) && echo "installed in $work/staged, moved, ran from an empty folder: --version and the still match"
((faults == 0))
