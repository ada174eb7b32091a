#!/usr/bin/env bash
# Runs every benchmark built in BUILD_DIR/bench, headless and without sound.
#
#   scripts/run-benchmarks.sh BUILD_DIR
#
# Each BUILD_DIR/bench/bench_* program runs from BUILD_DIR and prints its own results;
# PARLOTTE_DEMO_PACK names the demo voice pack (BUILD_DIR/demo-pack) for those that
# want real prompt files. The script fails if any benchmark fails, after running them all.
set -euo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi

build=$(cd -- "$1" && pwd -P)
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export PARLOTTE_DEMO_PACK="$build/demo-pack"

shopt -s nullglob
benches=()
for f in "$build"/bench/bench_*; do
  case $(basename -- "$f") in *.*) continue ;; esac # bench_x.cmake and the like
  if [ -f "$f" ] && [ -x "$f" ]; then
    benches+=("$f")
  fi
done
if [ ${#benches[@]} -eq 0 ]; then
  echo "No benchmark found in $build/bench (build first: make build)" >&2
  exit 1
fi

failed=()
for b in "${benches[@]}"; do
  name=$(basename -- "$b")
  echo "=== $name"
  if (cd -- "$build" && "$b"); then
    :
  else
    rc=$?
    echo "=== $name failed (exit status $rc)" >&2
    failed+=("$name")
  fi
  echo
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed: ${failed[*]}" >&2
  exit 1
fi
