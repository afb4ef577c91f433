#!/usr/bin/env bash
# Sets up and builds the libFuzzer targets with clang and runs each for a
# bounded time on a copy of the corpus kept in fuzz/corpus (new inputs
# found on the way are not written back). Fails on any crash, leak or
# failed check; the input that caused it is kept in build/fuzz/artifacts.
# (scripts/test.sh only replays the corpus, in its sanitizer build.)
#   OVIK_FUZZ_SECONDS   seconds per target (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --fuzz

seconds=${OVIK_FUZZ_SECONDS:-30}
build=build/fuzz
targets=()
for f in fuzz/*_fuzzer.cc; do f=${f##*/}; targets+=("${f%_fuzzer.cc}"); done

export CCACHE_BASEDIR=$PWD
CC=clang CXX=clang++ cmake -S fuzz -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 >/dev/null

work=$(mktemp -d /tmp/ovik-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"
status=0
for target in "${targets[@]}"; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "fuzz: $target for ${seconds}s"
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
      -artifact_prefix="$PWD/$build/artifacts/$target-" \
      "$corpus" >"$work/$target.log" 2>&1; then
    tail -n 40 "$work/$target.log" >&2
    echo "fuzz: $target FAILED (inputs in $build/artifacts)" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$work/$target.log" | tail -n 2
  fi
done
exit $status
