#!/usr/bin/env bash
# Writes zod's man page with help2man from the program's own --help and --version, so the page
# says what the program says. help2man reads only the top level, so each subcommand's --help is
# added as a section of its own, its option lines turned into the page's option lists.
# Usage: make-man-page.sh ZOD HELP2MAN OUT.1
set -euo pipefail
zod=$1 help2man=$2 out=$3
include=$(mktemp)
trap 'rm -f "$include"' EXIT

# roff: escape backslashes and minus signs, keep a leading dot or quote from starting a request.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"; }

# One subcommand's help as roff: "  -y,--opt ARG   text" starts an entry, deeper indented lines
# continue it, other lines are paragraphs. The usage line becomes the section's synopsis.
subcommandSection() {
  local name=$1
  echo ".SS \"zod $name\""
  "$zod" "$name" --help | roff | awk '
    /^Usage: / { sub(/^Usage: /, ""); print ".PP"; print ".B " $0; plain = 0; next }
    /^(Options|Positionals):$/ { print ".PP"; print $0; plain = 0; next }
    /^  [^ ]/ {
      line = substr($0, 3); split(line, parts, /  +/); rest = substr(line, length(parts[1]) + 1)
      sub(/^ +/, "", rest); print ".TP"; print "\\fB" parts[1] "\\fR"; if (rest != "") print rest; plain = 0; next
    }
    /^          / { sub(/^ +/, ""); print; next }
    /^$/ { plain = 0; next }
    { if (!plain) print ".PP"; print; plain = 1 }'
}

{
  # The help's lines above its usage, after the first, are the description; each "Word:" line
  # (Keys:, Exit codes:) starts a paragraph of its own.
  echo "[=DESCRIPTION]"
  "$zod" --help | roff | awk 'NR == 1 { next } /^Usage: / { exit } /^[A-Z][a-z ]*:/ { print ".PP" } { print }'
  echo "[SUBCOMMANDS]"
  "$zod" --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }' |
    while read -r name; do subcommandSection "$name"; done
  echo "[SEE ALSO]"
  echo "The README in the sources tells how the show is built, played, recorded and studied."
} >"$include"

# The first line of --help is "zod: what it is."; help2man takes that for the NAME line.
description=$("$zod" --help | head -n 1 | sed -e 's/^zod: //' -e 's/\.$//')
# The version is the first line of --version; the library versions below it are not the page's.
version=$("$zod" --version | head -n 1)
"$help2man" --no-info --section=1 --name="$description" --version-string="$version" --include="$include" \
  --output="$out.tmp" "$zod"
mv "$out.tmp" "$out"
