#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/fuzz_*.cpp) with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in build/fuzz, then runs each one from its seeds.
# Usage: tools/fuzz.sh [SECONDS | -runs=N | deep] [TARGET...]
#   tools/fuzz.sh                    every target for 60 seconds
#   tools/fuzz.sh 600 fuzz_pcx       one target for ten minutes
#   tools/fuzz.sh deep               ten million inputs or an hour each, whichever comes first
#   tools/fuzz.sh -runs=4000         a few thousand inputs each (what ./run-tests does)
# New interesting inputs collect in build/fuzz/corpus/<target>; a crash leaves its input in
# build/fuzz/artifacts/<target>/ and the script exits non-zero. A target with keywords has a
# dictionary in tests/fuzz/dicts/<target>.dict.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
buildDir=$root/build/fuzz
budget=${1:-60}
(($# > 0)) && shift

targets=("$@")
if ((${#targets[@]} == 0)); then
  for source in "$root"/tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
case $budget in
  deep) limit=(-runs=10000000 -max_total_time=3600) ;;
  -runs=*) limit=("$budget") ;;
  *) limit=("-max_total_time=$budget") ;;
esac

ZOD_BUILD_TARGET=fuzz_targets "$root/tools/setup.sh" "$buildDir" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZOD_FUZZ=ON -DZOD_SANITIZE=ON -DZOD_BENCH=OFF -DZOD_WEB=OFF

failed=0
for target in "${targets[@]}"; do
  corpus=$buildDir/corpus/$target
  artifacts=$buildDir/artifacts/$target
  log=$buildDir/logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  dirs=("$corpus")
  [[ -d $root/tests/fuzz/seeds/$target ]] && dirs+=("$root/tests/fuzz/seeds/$target")
  options=()
  [[ -f $root/tests/fuzz/dicts/$target.dict ]] && options+=("-dict=$root/tests/fuzz/dicts/$target.dict")
  # The first directory takes the new inputs, so the committed seeds are never written to.
  if "$buildDir/tests/fuzz/$target" -seed=1 "${limit[@]}" "${options[@]}" -artifact_prefix="$artifacts/" "${dirs[@]}" >"$log" 2>&1; then
    echo "$target: $(grep -E '^(#[0-9]+|Done)' "$log" | tail -1)"
  else
    echo "$target FAILED; last lines of $log:" >&2
    tail -40 "$log" >&2
    failed=1
  fi
done
exit $failed
