#!/usr/bin/env bash
# Points Parlotte, built in BUILD_DIR, at the demo voice pack BUILD_DIR/demo-pack.
#
#   scripts/point-at-demo.sh BUILD_DIR
#
# Writes BUILD_DIR/demo-phrase.txt, a sentence of three prompts, unless it exists;
# and, only when the program has no settings yet, BUILD_DIR/settings.ini (beside the
# executable) naming the demo pack as the last folder and the demo sentence as the
# last sentence. Lines end with CR LF, as the program writes them.
# Settings that already exist are left alone: they hold what the user did last time.
set -euo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi

mkdir -p -- "$1"
build=$(cd -- "$1" && pwd -P)
pack="$build/demo-pack"
phrase="$build/demo-phrase.txt"
settings="$build/settings.ini"

# Prompts 0, 5 and 11: "Après", "300", "Mètres". Kept if it exists: the user may
# have saved another sentence over it.
if [ ! -e "$phrase" ]; then
  printf '00;05;11\r\n' >"$phrase"
fi

if [ ! -e "$settings" ]; then
  printf '%s\r\n' \
    "AudioEditorName=" \
    "AudioEditorPath=" \
    "LastFolder=$pack/" \
    "LastSentence=$phrase" \
    "ExitMessage=1" >"$settings.tmp"
  mv -f -- "$settings.tmp" "$settings"
fi
