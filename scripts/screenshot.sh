#!/usr/bin/env bash
# Takes a screenshot of Parlotte's window on a virtual X display.
#
#   scripts/screenshot.sh BUILD_DIR OUT.png
#
# Starts a copy of BUILD_DIR/parlotte (so that its settings are its own) under xvfb-run
# (1024x768, 24-bit, no window manager, no sound) on the demo voice pack seen under a
# plain path (/tmp/Voix-FR, a link to BUILD_DIR/demo-pack: no build machine's folders in
# the picture), waits until its window is shown, grabs the screen, crops it to the
# window, stops the program and writes OUT.png. Run scripts/make-demo-pack.sh (make demo) first.
#
# For trying the script with another X program: SCREENSHOT_PROGRAM=/usr/bin/xclock
# SCREENSHOT_TITLE=xclock scripts/screenshot.sh BUILD_DIR OUT.png
set -euo pipefail

wait_seconds=10  # for the window to appear
settle_seconds=1 # after it appears, for the first paint

pid=""

# Ends the program started by inside(), if it still runs.
stop() {
  local i
  [ -n "$pid" ] || return 0
  if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    for i in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.2
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || true
  pid=""
}

# Inside the virtual display: inside PROGRAM TITLE OUT [FOLDER]
inside() {
  local program=$1 title=$2 out=$3 folder=${4:-}
  local wid="" info x y w h i candidate

  trap stop EXIT
  if [ -n "$folder" ]; then "$program" "$folder" & else "$program" & fi
  pid=$!

  # A top-level window whose title starts with TITLE and that is viewable.
  for ((i = 0; i < wait_seconds * 5; i++)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "screenshot: $program ended before showing its window" \
        "(is another instance running?)" >&2
      return 1
    fi
    while read -r candidate; do
      if xwininfo -id "$candidate" 2>/dev/null | grep -q 'Map State: IsViewable'; then
        wid=$candidate
        break
      fi
    done < <(xwininfo -root -tree 2>/dev/null |
      awk -v t="\"$title" 'index($0, t) && $1 ~ /^0x/ { print $1 }')
    [ -n "$wid" ] && break
    sleep 0.2
  done
  if [ -z "$wid" ]; then
    echo "screenshot: no window titled \"$title...\" after ${wait_seconds} s" >&2
    return 1
  fi

  sleep "$settle_seconds"
  info=$(xwininfo -id "$wid")
  x=$(awk -F: '/Absolute upper-left X/ { gsub(/ /, "", $2); print $2 }' <<<"$info")
  y=$(awk -F: '/Absolute upper-left Y/ { gsub(/ /, "", $2); print $2 }' <<<"$info")
  w=$(awk -F: '/^ *Width/ { gsub(/ /, "", $2); print $2 }' <<<"$info")
  h=$(awk -F: '/^ *Height/ { gsub(/ /, "", $2); print $2 }' <<<"$info")
  # Keep the crop inside the screen even if the window sticks out of it.
  if ((x < 0)); then w=$((w + x)) x=0; fi
  if ((y < 0)); then h=$((h + y)) y=0; fi
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "png:$out"
}

if [ "${1:-}" = "--inside-xvfb" ]; then
  shift
  inside "$@"
  exit
fi

if [ $# -ne 2 ] || [ -z "$1" ] || [ -z "$2" ]; then
  echo "usage: $0 BUILD_DIR OUT.png" >&2
  exit 2
fi

build=$(cd -- "$1" && pwd -P)
program=${SCREENSHOT_PROGRAM:-$build/parlotte}
title=${SCREENSHOT_TITLE:-Parlotte}
if [ ! -x "$program" ]; then
  echo "$0: $program not found; build it first (make build)" >&2
  exit 1
fi
for tool in xvfb-run xauth xwininfo import; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$0: $tool is missing (run scripts/install-deps.sh)" >&2
    exit 1
  fi
done

out=$2
folder=""
if [ -z "${SCREENSHOT_PROGRAM:-}" ]; then
  if [ ! -d "$build/demo-pack" ]; then
    echo "$0: $build/demo-pack is missing (make demo)" >&2
    exit 1
  fi
  folder=/tmp/Voix-FR
  ln -sfn -- "$build/demo-pack" "$folder"
  # A copy of the program keeps its settings beside itself, apart from the build's.
  copy=$(mktemp -d)
  cp -- "$program" "$copy/parlotte"
  program=$copy/parlotte
fi
mkdir -p -- "$(dirname -- "$out")"
out="$(cd -- "$(dirname -- "$out")" && pwd -P)/$(basename -- "$out")"
tmp_out=$(mktemp -- "$out.XXXXXX")
trap 'rm -f -- "$tmp_out"; [ -z "${copy:-}" ] || rm -rf -- "$copy"' EXIT

self=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd -P)/$(basename -- "${BASH_SOURCE[0]}")
(
  cd -- "$build"
  export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  xvfb-run -a -s "-screen 0 1024x768x24" \
    bash "$self" --inside-xvfb "$program" "$title" "$tmp_out" "$folder"
)
chmod 644 -- "$tmp_out"
mv -f -- "$tmp_out" "$out"
[ -z "${copy:-}" ] || rm -rf -- "$copy"
trap - EXIT
echo "Screenshot written to $out"
