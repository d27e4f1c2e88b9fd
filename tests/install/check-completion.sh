#!/usr/bin/env bash
# The bash completion offers exactly the options each command's --help prints, every subcommand,
# and for --scaling and --codec only values the help names.
# Usage: check-completion.sh ZOD COMPLETION
set -euo pipefail
zod=$1
# shellcheck source=/dev/null
source "$2"
faults=0
fault() { echo "$*"; faults=$((faults + 1)); }
words() { tr '\n' ' ' <<<"$1"; }

# What the completion offers when the cursor is on the last word.
offered() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _zod
  printf '%s\n' "${COMPREPLY[@]}"
}
# The option column of a help: "  -y,--overwrite   ..." gives --overwrite.
helpOptions() { "$zod" "$@" --help | grep -oE '^  (-[a-zA-Z],)?--[a-z][a-z-]*' | sed 's/^.*--/--/' | sort; }

subcommands=$("$zod" --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }')
for command in "" $subcommands; do
  expected=$(helpOptions ${command:+"$command"})
  got=$(offered zod ${command:+"$command"} -- | sort)
  [[ $got == "$expected" ]] || fault "zod $command: the completion offers" "$(words "$got")" "but --help prints" "$(words "$expected")"
done
got=$(offered zod "")
for command in $subcommands; do
  grep -qx "$command" <<<"$got" || fault "the subcommand $command is not completed"
done

# --scaling's values are written in its help line as integer|fit.
expected=$("$zod" --help | grep -oE -- '--scaling [a-z|]+' | cut -d' ' -f2 | tr '|' '\n' | sort)
got=$(offered zod --scaling "" | sort)
[[ $got == "$expected" ]] || fault "--scaling: the completion offers" "$(words "$got")" "but --help names" "$(words "$expected")"
# --codec's values are named in its description.
codecHelp=$("$zod" capture --help | sed -n '/--codec/,/^  -/p')
for codec in $(offered zod capture --codec ""); do
  grep -qw -- "$codec" <<<"$codecHelp" || fault "--codec $codec is not in zod capture --help"
done

((faults == 0)) && echo "the completion matches zod --help"
((faults == 0))
