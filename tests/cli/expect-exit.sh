#!/usr/bin/env bash
# Usage: expect-exit.sh CODE TEXT COMMAND...   runs COMMAND; passes if it exits with CODE and its
# output (stdout and stderr together) contains TEXT.
set -uo pipefail
want=$1 text=$2
shift 2
output=$("$@" 2>&1)
code=$?
[[ $code -eq $want ]] || { echo "exit code $code, wanted $want; output: $output"; exit 1; }
[[ $output == *"$text"* ]] || { echo "output lacks '$text': $output"; exit 1; }
