#!/usr/bin/env bash
# Runs every fuzz target built in BUILD_DIR for SECONDS each, from the seeds in fuzz/seeds.
#
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS
#
# The corpus each run grows is kept in BUILD_DIR/corpus (the seeds are never written to); a
# crashing input is saved in BUILD_DIR/crashes and fails the script, after all targets ran.
set -euo pipefail

if [ $# -ne 2 ] || [ -z "$1" ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi

build=$(cd -- "$1" && pwd -P)
seconds=$2
seeds=$(cd -- "$(dirname "$0")/../fuzz/seeds" && pwd -P)
export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1

failed=0
for name in settings sentence_code sentence_file; do
  corpus="$build/corpus/$name"
  mkdir -p "$corpus" "$build/crashes"
  echo "== fuzz_$name: ${seconds} s"
  if ! "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=4096 \
      -artifact_prefix="$build/crashes/$name-" -print_final_stats=1 \
      "$corpus" "$seeds/$name" 2>"$build/fuzz_$name.log"; then
    tail -n 40 "$build/fuzz_$name.log" >&2
    failed=1
  fi
  grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$build/fuzz_$name.log" || true
done
exit $failed
